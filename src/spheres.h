// The first sphere scene, over the raster backdrop.
#pragma once

#include <SDL.h>

#include <cstdint>

// A sphere drops, splits into a column and spins open and shut as a V.
void sphere_drop_scene();

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
