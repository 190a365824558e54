// Frame timing for the benchmark: the demo's pacing calls, wrapped at link time.
//
// A frame runs from its start mark to the end of its present. The marks are the
// time stamps the scenes take (SDL_GetTicks), the ends of the waits they ask for and
// the ends of presents; a frame starts at the latest one. So a paced frame is timed
// from its own time stamp, and a frame without one (a still or fixed-delay frame)
// from the wait or present before it.
#include "frame_clock.h"

#include <SDL.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define BENCH_HAS_CALLGRIND 1
#endif

extern "C" {
Uint32 __real_SDL_GetTicks(void);
void __real_SDL_RenderPresent(SDL_Renderer* r);
}

namespace bench {
namespace {

struct Clock {
    std::vector<double>* frame_ms = nullptr;  // the current step's frame times, or none
    int32_t frame_cap = 0;                    // presents allowed in the step; 0 for no cap
    int32_t presents = 0;                     // presents made in the step
    Uint64 frame_start = 0;                   // performance counter at the latest mark
    double ms_per_count = 0.0;
    bool collecting = false;                  // callgrind is counting this stretch
    uint64_t delays = 0;
    uint64_t delay_ms = 0;
};

Clock state;

// Under callgrind, only the stretches from a frame's time stamp or wait to its
// present are counted: the loads between scenes are left out of the profile.
void collect(bool on) {
#ifdef BENCH_HAS_CALLGRIND
    if (on != state.collecting && RUNNING_ON_VALGRIND) {
        CALLGRIND_TOGGLE_COLLECT;
    }
#endif
    state.collecting = on;
}

void mark() {
    state.frame_start = SDL_GetPerformanceCounter();
    if (state.frame_ms != nullptr) {
        collect(true);
    }
}

}  // namespace

void begin_step(std::vector<double>* frame_ms, int32_t frame_cap) {
    if (state.ms_per_count == 0.0) {
        state.ms_per_count = 1000.0 / static_cast<double>(SDL_GetPerformanceFrequency());
    }
    state.frame_ms = frame_ms;
    state.frame_cap = frame_cap;
    state.presents = 0;
    state.frame_start = SDL_GetPerformanceCounter();
}

void end_step(const char* name) {
    collect(false);
    state.frame_ms = nullptr;
#ifdef BENCH_HAS_CALLGRIND
    if (RUNNING_ON_VALGRIND) {
        CALLGRIND_DUMP_STATS_AT(name);
    }
#else
    (void)name;
#endif
}

uint64_t skipped_delays() {
    return state.delays;
}

uint64_t skipped_delay_ms() {
    return state.delay_ms;
}

}  // namespace bench

extern "C" {

// The pacing waits return at once, so a cycle runs as fast as it can draw.
void __wrap_SDL_Delay(Uint32 ms) {
    ++bench::state.delays;
    bench::state.delay_ms += ms;
    bench::mark();
}

Uint32 __wrap_SDL_GetTicks(void) {
    bench::mark();
    return __real_SDL_GetTicks();
}

void __wrap_SDL_RenderPresent(SDL_Renderer* r) {
    __real_SDL_RenderPresent(r);
    const Uint64 now = SDL_GetPerformanceCounter();
    bench::collect(false);
    bench::Clock& c = bench::state;
    const Uint64 start = c.frame_start;
    c.frame_start = now;
    if (c.frame_ms == nullptr) {
        return;
    }
    c.frame_ms->push_back(static_cast<double>(now - start) * c.ms_per_count);
    ++c.presents;
    if (c.frame_cap > 0 && c.presents >= c.frame_cap) {
        throw bench::StepCut{};
    }
}

}  // extern "C"
