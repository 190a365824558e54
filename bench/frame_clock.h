// Frame timing for the benchmark: the demo's pacing calls, wrapped at link time.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

// Thrown from the present that reaches the frame cap of a step, to cut the scene short.
struct StepCut {};

// Frames presented from now on are timed into `frame_ms`; with a cap above 0 the
// step is cut (StepCut) after that many presents.
void begin_step(std::vector<double>* frame_ms, int32_t frame_cap);
// Stops timing and, under callgrind, writes the step's profile under `name`.
void end_step(const char* name);

// C++ heap allocations (operator new) made inside frames since the step began: the
// demo's frame loops should make none.
uint64_t step_allocations();

// The high-resolution counter itself: the demo's reads of it count the skipped waits too.
uint64_t real_counter();

// The waits the demo asked for and did not get.
uint64_t skipped_delays();
uint64_t skipped_delay_ms();

}  // namespace bench
