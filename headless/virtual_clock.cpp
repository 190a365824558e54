// The virtual clock of headless runs, in place of SDL's timer.
#include "virtual_clock.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <deque>

namespace headless {
namespace {

constexpr uint64_t US_PER_MS = 1000;

struct Clock {
    uint64_t now_us = 0;
    uint32_t oversleep_us = 0;
    std::deque<uint32_t> scripted_ticks;
    std::function<void(uint32_t)> delay_hook;
};

Clock& clock() {
    static Clock c;
    return c;
}

}  // namespace

uint32_t now_ms() { return static_cast<uint32_t>(clock().now_us / US_PER_MS); }

void reset_clock() {
    clock().now_us = 0;
    clock().oversleep_us = 0;
    clock().scripted_ticks.clear();
}

void advance_clock(uint32_t ms) { clock().now_us += ms * US_PER_MS; }

void script_ticks(std::vector<uint32_t> ticks) {
    clock().scripted_ticks.assign(ticks.begin(), ticks.end());
}

void oversleep_us(uint32_t us) { clock().oversleep_us = us; }

void on_delay(std::function<void(uint32_t)> hook) { clock().delay_hook = std::move(hook); }

}  // namespace headless

extern "C" {

Uint32 __wrap_SDL_GetTicks(void) {
    auto& c = headless::clock();
    if (!c.scripted_ticks.empty()) {
        const uint32_t t = c.scripted_ticks.front();
        c.scripted_ticks.pop_front();
        return t;
    }
    return headless::now_ms();
}

void __wrap_SDL_Delay(Uint32 ms) {
    auto& c = headless::clock();
    if (c.delay_hook) {
        c.delay_hook(ms);
    }
    c.now_us += ms * headless::US_PER_MS + c.oversleep_us;
}

// One count per microsecond.
Uint64 __wrap_SDL_GetPerformanceCounter(void) {
    return headless::clock().now_us;
}

Uint64 __wrap_SDL_GetPerformanceFrequency(void) {
    return 1000 * headless::US_PER_MS;
}

// The music's place is the time since it started, as SDL_mixer says of a format it cannot
// place: a device playing in real time would not keep to this clock.
double __wrap_Mix_GetMusicPosition(Mix_Music*) {
    return -1.0;
}

}  // extern "C"
