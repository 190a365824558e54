// The virtual clock of headless runs: SDL_GetTicks and the high-resolution counter read it,
// SDL_Delay advances it and returns at once, and nothing else moves it, so drawing and
// presenting take no time.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace headless {

uint32_t now_ms();
// Back to 0, with no scripted ticks left and no oversleep.
void reset_clock();
// Moves the clock on without a delay call (a present that is made to cost time).
void advance_clock(uint32_t ms);
// Values the next calls of SDL_GetTicks return, before the clock takes over again.
void script_ticks(std::vector<uint32_t> ticks);
// Every SDL_Delay from now on lasts this many microseconds more than it asks, as a real
// sleep does.
void oversleep_us(uint32_t us);
// Called at every SDL_Delay with its argument, before the clock moves; it may throw to cut
// the run short.
void on_delay(std::function<void(uint32_t ms)> hook);

}  // namespace headless
