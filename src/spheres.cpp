// The first sphere scene, over the raster backdrop.
#include "spheres.h"

#include <SDL.h>

#include <cmath>
#include <cstdint>

#include "glyphs.h"
#include "runtime.h"

SDL_Rect turned_sphere(const FigureTurn& turn, int32_t x, int32_t y, int32_t size) {
    // Single precision, left to right, truncated: the figure's path depends on these roundings.
    const auto dx = static_cast<float>(x - turn.origin_x);
    const auto dy = static_cast<float>(y - turn.origin_y);
    const float screen_x = (dx * turn.c + dy * turn.s) + turn.origin_x + turn.drift * turn.c;
    const float screen_y =
        (static_cast<float>(turn.origin_x - x) * turn.s + dy * turn.c) + turn.origin_y + turn.drift * turn.s;
    return {static_cast<int32_t>(screen_x), static_cast<int32_t>(screen_y), size, size};
}

namespace {

// The sphere sprite: the top-left 80 x 80 pixels of its picture, drawn unscaled.
constexpr int32_t DROP_SPHERE_SIZE = 80;
constexpr SDL_Rect DROP_SPHERE_CELL = {0, 0, DROP_SPHERE_SIZE, DROP_SPHERE_SIZE};
// The figure turns about this point; the dropped sphere comes to rest on it.
constexpr int32_t DROP_ORIGIN_X = 600;
constexpr int32_t DROP_ORIGIN_Y = 320;
constexpr int32_t DROP_START_Y = -100;
// Each drop frame falls DROP_SLOWDOWN / frames so far + DROP_MIN_STEP pixels.
constexpr int32_t DROP_SLOWDOWN = 100;
constexpr int32_t DROP_MIN_STEP = 2;
// Twelve spheres, paired: pair k climbs k pixels a frame for RISE_LAST_FRAME + 1 frames.
constexpr int32_t DROP_POINTS = 12;
constexpr uint32_t RISE_LAST_FRAME = 50;
// The V opens to SPIN_WIDEST_SPREAD and closes again, in steps of SPIN_SPREAD_STEP.
constexpr uint32_t SPIN_WIDEST_SPREAD = 150;
constexpr uint32_t SPIN_SPREAD_STEP = 3;
constexpr int32_t SPIN_CYCLES = 20;
// From this cycle on the figure drifts out on a spiral.
constexpr int32_t DRIFT_FIRST_CYCLE = 7;
constexpr double SPIN_STEP_RAD = 0.01;
constexpr float DRIFT_STEP_PX = 0.5f;
// The gradient rises one row a frame from the bottom edge up to this row.
constexpr uint32_t RASTER_HIGHEST_TOP = 400;
// Gradient below the screen, caption shut, flipping open.
constexpr BackdropState BACKDROP_START = {SCREEN_HEIGHT, 0, 0, 2};

struct Point {
    int32_t x;
    int32_t y;
};

// Raise the gradient a row while it is low, then draw it with its caption.
void rising_backdrop() {
    if (backdrop.raster_top > RASTER_HIGHEST_TOP) {
        backdrop.raster_top -= 1;
    }
    background(backdrop.raster_top, &backdrop.caption_row, &backdrop.caption_height, &backdrop.caption_step);
}

void draw_drop_sphere(int32_t x, int32_t y) {
    const SDL_Rect destination = {x, y, DROP_SPHERE_SIZE, DROP_SPHERE_SIZE};
    SDL_RenderCopy(renderer, texture, &DROP_SPHERE_CELL, &destination);
}

}  // namespace

void sphere_drop_scene() {
    backdrop = BACKDROP_START;
    const int32_t origin_x = DROP_ORIGIN_X;
    const int32_t origin_y = DROP_ORIGIN_Y;
    int32_t drop_y = DROP_START_Y;
    int32_t drop_count = 0;
    // Points 1 to 12 of the figure, stored from index 0.
    Point points[DROP_POINTS];
    for (Point& p : points) {
        p = {origin_x, origin_y};
    }
    float spin_angle = 0.0f;
    float drift = 0.0f;

    replace_surface(fonts, "gfx/fonts2.bmp");
    set_colour_key(fonts, 0, 0, 0);
    replace_surface(image, "gfx/sphere.bmp");
    set_colour_key(image, 0, 0, 0);
    replace_texture(image);

    // Drop the sphere from above the screen, slowing as it nears its resting point.
    while (drop_y <= origin_y) {
        const uint32_t t0 = begin_frame();
        rising_backdrop();
        drop_count += 1;
        drop_y += DROP_SLOWDOWN / drop_count + DROP_MIN_STEP;
        draw_drop_sphere(origin_x, drop_y);
        end_frame(t0);
    }

    // Raise a column of sphere pairs out of it.
    for (uint32_t rise = 0; rise <= RISE_LAST_FRAME; ++rise) {
        const uint32_t t0 = begin_frame();
        rising_backdrop();
        for (int32_t i = 1; i < DROP_POINTS; i += 2) {
            const int32_t y = origin_y - static_cast<int32_t>((static_cast<uint32_t>(i + 1) * rise) / 2);
            points[i - 1].y = y;
            points[i].y = y;
            draw_drop_sphere(points[i - 1].x, points[i - 1].y);
            draw_drop_sphere(points[i].x, points[i].y);
        }
        end_frame(t0);
    }

    // One frame of the turning V, opening or closing, at this spread.
    const auto spin_frame = [&](int32_t cycle, uint32_t spread, bool opening) {
        const uint32_t t0 = begin_frame();
        rising_backdrop();
        spin_angle = static_cast<float>(static_cast<double>(spin_angle) + SPIN_STEP_RAD);
        const auto c = static_cast<float>(std::cos(static_cast<double>(spin_angle)));
        const auto s = static_cast<float>(std::sin(static_cast<double>(spin_angle)));
        if (cycle >= DRIFT_FIRST_CYCLE) {
            drift += DRIFT_STEP_PX;
        }
        const FigureTurn turn = {origin_x, origin_y, c, s, drift};
        const auto spread_times = [spread](int32_t n) {
            return static_cast<int32_t>((static_cast<uint32_t>(n) * spread) / 5);
        };
        // Draw the even points from the top of the column down, then the odd ones upward.
        for (int32_t i = DROP_POINTS; i >= 2; i -= 2) {
            Point& p = points[i - 1];
            p.x = opening ? origin_x - spread_times(i + 1) : origin_x + spread_times(i);
            const SDL_Rect destination = turned_sphere(turn, p.x, p.y, DROP_SPHERE_SIZE);
            SDL_RenderCopy(renderer, texture, &DROP_SPHERE_CELL, &destination);
        }
        for (int32_t i = 1; i < DROP_POINTS; i += 2) {
            Point& p = points[i - 1];
            p.x = opening ? origin_x + spread_times(i + 1) : origin_x - spread_times(i + 2);
            const SDL_Rect destination = turned_sphere(turn, p.x, p.y, DROP_SPHERE_SIZE);
            SDL_RenderCopy(renderer, texture, &DROP_SPHERE_CELL, &destination);
        }
        end_frame(t0);
    };

    // Open and close the column as a turning V, twenty times; drift out in the later cycles.
    for (int32_t cycle = 1; cycle <= SPIN_CYCLES; ++cycle) {
        for (uint32_t spread = 0; spread <= SPIN_WIDEST_SPREAD; spread += SPIN_SPREAD_STEP) {
            spin_frame(cycle, spread, true);
        }
        for (uint32_t spread = SPIN_WIDEST_SPREAD; spread != 0; spread -= SPIN_SPREAD_STEP) {
            spin_frame(cycle, spread, false);
        }
    }
}
