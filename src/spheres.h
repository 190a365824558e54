// The two sphere scenes, over the raster backdrop with its flipping caption.
#pragma once

#include <SDL.h>

#include <cstdint>

// A sphere drops, splits into a column and spins open and shut as a V; the backdrop rises.
void sphere_drop_scene();

// A figure of 26 spheres grows, flaps its wings and spirals out; the backdrop slides away.
void sphere_figure_scene();

// Grey raster gradient from `raster_top` down, with the flipping caption and its
// reflection; advances the caption state once per call.
void background(uint32_t raster_top, uint32_t* caption_row, uint32_t* caption_height,
                int32_t* caption_step);

// Where the backdrop's gradient starts and how far its caption has flipped.
struct BackdropState {
    uint32_t raster_top;      // first screen row of the gradient
    uint32_t caption_row;     // caption line shown, 0 to 33
    uint32_t caption_height;  // on-screen glyph height (px), even, 0 to 132
    int32_t caption_step;     // change of the height per call (px), +2 or -2
};
// The backdrop as the sphere scenes left it.
BackdropState backdrop_state();

// How a figure of spheres is turned about its origin and pushed out along the turn.
struct FigureTurn {
    int32_t origin_x;
    int32_t origin_y;
    float c;      // cosine of the turn
    float s;      // sine of the turn
    float drift;  // distance pushed out along (c, s), pixels
};
// Screen rectangle of the size x size sphere whose unturned top-left corner is (x, y).
SDL_Rect turned_sphere(const FigureTurn& turn, int32_t x, int32_t y, int32_t size);
