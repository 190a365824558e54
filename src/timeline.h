// The timeline: the scenes of one cycle in their order, and the whole program around them.
#pragma once

#include <cstdint>

// One scene of the timeline, by name, so tests and the benchmark can tell them apart.
struct TimelineStep {
    const char* name;
    void (*play)();
};
constexpr int TIMELINE_STEPS = 18;
// The scenes of one cycle, in the order they play.
extern const TimelineStep TIMELINE[TIMELINE_STEPS];

// One cycle's length on the virtual clock, where every wait lasts what it asks for (ms): what a
// video of one cycle lasts after the start-up wait. The cycle test holds it to the timeline.
constexpr uint32_t CYCLE_MS = 232'909;

// One pass of the whole timeline, countdown to closing fade.
void timeline_cycle();
// The whole program: start-up, then the timeline for ever.
[[noreturn]] void run_demo();
