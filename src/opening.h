// The opening sequence: countdown, intro lines, title and the rabbit.
#pragma once

#include <SDL.h>

#include <cstdint>

// The rabbit sheet, shared with the closing fade: cells of 300 x 320, drawn unscaled.
constexpr const char* RABBIT_SHEET = "gfx/rabbit.bmp";
constexpr SDL_Rect RABBIT_WALKING = {30, 20, 300, 320};
constexpr SDL_Rect RABBIT_STANDING = {350, 20, 300, 320};
constexpr SDL_Rect RABBIT_BLINKING = {350, 370, 300, 320};
// The blink pose is drawn this much lower than the standing one.
constexpr int32_t RABBIT_BLINK_DROP = 2;

// Copies a rabbit cell from `texture` with its top-left at (x, y).
void draw_rabbit(const SDL_Rect& cell, int32_t x, int32_t y);
// One fixed-delay frame: clear, the cell, letterbox, present, then wait `delay_ms`.
void rabbit_still_frame(const SDL_Rect& cell, int32_t x, int32_t y, Uint32 delay_ms);

// Digits 3, 2, 1, 0 fly in and grow, each with its spoken sample.
void countdown_scene();
// The main tune starts; four lines of text ease in one after the other.
void intro_scene();
// The title zooms up, holds across the width and rises out.
void title_scene();
// The rabbit walks in, poses, walks out and runs back; played twice a cycle.
void rabbit_scene();
