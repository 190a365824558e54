// Frame timing for the benchmark: the demo's pacing calls, wrapped at link time.
//
// A frame runs from its start mark to the end of its present. The marks are the
// time stamps the scenes take (SDL_GetTicks), the ends of the waits they ask for and
// the ends of presents; a frame starts at the latest one. So a paced frame is timed
// from its own time stamp, and a frame without one (a still or fixed-delay frame)
// from the wait or present before it.
#include "frame_clock.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include <dlfcn.h>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define BENCH_HAS_CALLGRIND 1
#endif

extern "C" {
Uint32 __real_SDL_GetTicks(void);
void __real_SDL_RenderPresent(SDL_Renderer* r);
Uint64 __real_SDL_GetPerformanceCounter(void);
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
    bool in_frame = false;                    // between a mark of the step and the next present
    uint64_t allocations = 0;                 // operator new calls inside the step's frames
    uint64_t delays = 0;
    uint64_t delay_ms = 0;
    Uint64 skipped_counts = 0;                // the skipped waits, in performance counts
};

Clock state;
// Set on the thread that plays the demo: the driver's and the mixer's threads are not counted.
thread_local bool demo_thread = false;

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

// True for a call from the executable itself or from the C++ library.
bool demo_caller(const void* return_address) {
    Dl_info caller = {};
    if (dladdr(return_address, &caller) == 0 || caller.dli_fname == nullptr) {
        return false;
    }
    static const void* program_base = nullptr;
    if (program_base == nullptr) {
        Dl_info self = {};
        if (dladdr(reinterpret_cast<const void*>(&demo_caller), &self) != 0) {
            program_base = self.dli_fbase;
        }
    }
    return caller.dli_fbase == program_base || std::strstr(caller.dli_fname, "libstdc++") != nullptr;
}

void mark() {
    state.frame_start = __real_SDL_GetPerformanceCounter();
    if (state.frame_ms != nullptr) {
        state.in_frame = true;
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
    state.allocations = 0;
    demo_thread = true;
    state.frame_start = __real_SDL_GetPerformanceCounter();
}

void end_step(const char* name) {
    collect(false);
    state.frame_ms = nullptr;
    state.in_frame = false;
#ifdef BENCH_HAS_CALLGRIND
    if (RUNNING_ON_VALGRIND) {
        CALLGRIND_DUMP_STATS_AT(name);
    }
#else
    (void)name;
#endif
}

uint64_t step_allocations() {
    return state.allocations;
}

uint64_t real_counter() {
    return __real_SDL_GetPerformanceCounter();
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
    bench::state.skipped_counts += SDL_GetPerformanceFrequency() / 1000 * ms;
    bench::mark();
}

// To the demo the skipped waits took their time, so it has no lateness to make up.
Uint64 __wrap_SDL_GetPerformanceCounter(void) {
    return __real_SDL_GetPerformanceCounter() + bench::state.skipped_counts;
}

Uint32 __wrap_SDL_GetTicks(void) {
    bench::mark();
    return __real_SDL_GetTicks();
}

void __wrap_SDL_RenderPresent(SDL_Renderer* r) {
    __real_SDL_RenderPresent(r);
    const Uint64 now = __real_SDL_GetPerformanceCounter();
    bench::collect(false);
    bench::Clock& c = bench::state;
    c.in_frame = false;
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

// Counts the allocations made inside frames by the demo's code, directly or through the
// C++ library; those of SDL (in C) and of the OpenGL driver's compiler are left out.
void* operator new(std::size_t size) {
    if (bench::demo_thread && bench::state.in_frame && bench::demo_caller(__builtin_return_address(0))) {
        ++bench::state.allocations;
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
