// The virtual clock of headless runs, in place of SDL's timer.
#include "virtual_clock.h"

#include <SDL.h>

#include <deque>

namespace headless {
namespace {

struct Clock {
    uint32_t now_ms = 0;
    std::deque<uint32_t> scripted_ticks;
    std::function<void(uint32_t)> delay_hook;
};

Clock& clock() {
    static Clock c;
    return c;
}

}  // namespace

uint32_t now_ms() { return clock().now_ms; }

void reset_clock() {
    clock().now_ms = 0;
    clock().scripted_ticks.clear();
}

void advance_clock(uint32_t ms) { clock().now_ms += ms; }

void script_ticks(std::vector<uint32_t> ticks) {
    clock().scripted_ticks.assign(ticks.begin(), ticks.end());
}

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
    return c.now_ms;
}

void __wrap_SDL_Delay(Uint32 ms) {
    auto& c = headless::clock();
    if (c.delay_hook) {
        c.delay_hook(ms);
    }
    c.now_ms += ms;
}

}  // extern "C"
