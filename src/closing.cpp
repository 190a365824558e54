// The closing sequence: second sphere scene, end credits and closing fade.
#include "closing.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "glyphs.h"
#include "opening.h"
#include "runtime.h"
#include "spheres.h"

namespace {

// The sphere sprite: the top-left 60 x 60 pixels of its picture.
constexpr int32_t FIGURE_SPHERE_SIZE = 60;
constexpr SDL_Rect FIGURE_SPHERE_CELL = {0, 0, FIGURE_SPHERE_SIZE, FIGURE_SPHERE_SIZE};
// The figure turns about the screen centre.
constexpr int32_t FIGURE_ORIGIN_X = SCREEN_WIDTH / 2;
constexpr int32_t FIGURE_ORIGIN_Y = SCREEN_HEIGHT / 2;

struct FigurePoint {
    int32_t x;
    int32_t y;
};
// Top-left corners of the figure's spheres, on screen; the right half mirrors the
// left about x = 640.5 (the two x add up to 1221).
constexpr FigurePoint FIGURE_TABLE[] = {
    {581, 300},  // 0: centre
    {581, 381},  // 1: centre
    {563, 437},  // 2: left wing
    {539, 258},  // 3: left wing
    {523, 385},  // 4: left wing
    {509, 461},  // 5: left wing
    {490, 226},  // 6: left wing
    {487, 339},  // 7: left wing
    {473, 414},  // 8: left wing
    {436, 205},  // 9: left wing
    {444, 297},  // 10: left wing
    {403, 254},  // 11: left wing
    {377, 201},  // 12: left wing
    {640, 300},  // 13: centre
    {640, 381},  // 14: centre
    {658, 437},  // 15: right wing
    {682, 258},  // 16: right wing
    {698, 385},  // 17: right wing
    {712, 461},  // 18: right wing
    {731, 226},  // 19: right wing
    {734, 339},  // 20: right wing
    {748, 414},  // 21: right wing
    {785, 205},  // 22: right wing
    {777, 297},  // 23: right wing
    {818, 254},  // 24: right wing
    {844, 201},  // 25: right wing
};
constexpr int32_t FIGURE_POINTS = 26;
static_assert(std::size(FIGURE_TABLE) == FIGURE_POINTS);
// Points 2 to 12 are the left wing, 15 to 25 the right; the rest the centre block.
constexpr int32_t LEFT_WING_FIRST = 2;
constexpr int32_t LEFT_WING_LAST = 12;
constexpr int32_t RIGHT_WING_FIRST = 15;
constexpr int32_t RIGHT_WING_LAST = 25;
// The right wing's points mirror the left's, this many places earlier.
constexpr int32_t MIRROR_OFFSET = 13;
// Drawn as the centre block, then the left wing, then the right wing.
constexpr int32_t FIGURE_DRAW_ORDER[] = {0, 1, 13, 14, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                         15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
static_assert(std::size(FIGURE_DRAW_ORDER) == FIGURE_POINTS);

constexpr double GROWTH_STEP_PX = 0.3;
constexpr int32_t FLIGHT_FLAPS = 80;
// Each flap pulls the wings in, one step a frame, to FLAP_WIDEST_SPREAD and back.
constexpr uint32_t FLAP_WIDEST_SPREAD = 14;
// From this flap on the gradient slides down out of the picture.
constexpr int32_t RASTER_FALL_FIRST_FLAP = 69;
constexpr uint32_t RASTER_LOWEST_TOP = SCREEN_HEIGHT;
constexpr double FLIGHT_SPIN_STEP_RAD = -0.01;
constexpr float FLIGHT_DRIFT_STEP_PX = 0.25f;

// Draw the backdrop as the first sphere scene left it going.
void figure_backdrop() {
    background(backdrop.raster_top, &backdrop.caption_row, &backdrop.caption_height, &backdrop.caption_step);
}

}  // namespace

void sphere_figure_scene() {
    const int32_t origin_x = FIGURE_ORIGIN_X;
    const int32_t origin_y = FIGURE_ORIGIN_Y;
    float spin_angle = 0.0f;
    float drift = 0.0f;
    replace_surface(image, "gfx/sphere2.bmp");
    set_colour_key(image, 0, 0, 0);
    replace_texture(image);
    FigurePoint points[FIGURE_POINTS];
    std::copy(std::begin(FIGURE_TABLE), std::end(FIGURE_TABLE), std::begin(points));

    // Grow every sphere in place from its top-left corner.
    float sphere_size = 0.0f;
    while (sphere_size < FIGURE_SPHERE_SIZE) {
        const uint32_t t0 = begin_frame();
        figure_backdrop();
        const auto w = static_cast<int32_t>(sphere_size);
        for (const FigurePoint& p : points) {
            const SDL_Rect destination = {p.x, p.y, w, w};
            SDL_RenderCopy(renderer, texture, &FIGURE_SPHERE_CELL, &destination);
        }
        end_frame(t0);
        sphere_size = static_cast<float>(static_cast<double>(sphere_size) + GROWTH_STEP_PX);
    }

    // One frame of the flight: wings pulled in by `spread`, the figure turning and drifting out.
    const auto flight_frame = [&](int32_t cycle, uint32_t spread) {
        const uint32_t t0 = begin_frame();
        if (cycle >= RASTER_FALL_FIRST_FLAP && backdrop.raster_top < RASTER_LOWEST_TOP) {
            backdrop.raster_top += 1;
        }
        figure_backdrop();
        spin_angle = static_cast<float>(static_cast<double>(spin_angle) + FLIGHT_SPIN_STEP_RAD);
        const auto c = static_cast<float>(std::cos(static_cast<double>(spin_angle)));
        const auto s = static_cast<float>(std::sin(static_cast<double>(spin_angle)));
        drift = drift + FLIGHT_DRIFT_STEP_PX;
        const FigureTurn turn = {origin_x, origin_y, c, s, drift};
        const auto flap = static_cast<int32_t>(spread);
        for (const int32_t i : FIGURE_DRAW_ORDER) {
            int32_t q = points[i].x;
            if (i >= LEFT_WING_FIRST && i <= LEFT_WING_LAST) {
                q = points[i].x + i * flap;
            } else if (i >= RIGHT_WING_FIRST && i <= RIGHT_WING_LAST) {
                q = points[i].x - (i - MIRROR_OFFSET) * flap;
            }
            const SDL_Rect destination = turned_sphere(turn, q, points[i].y, FIGURE_SPHERE_SIZE);
            SDL_RenderCopy(renderer, texture, &FIGURE_SPHERE_CELL, &destination);
        }
        end_frame(t0);
    };

    // Flap the wings eighty times, in and out, while the figure spirals away.
    for (int32_t cycle = 1; cycle <= FLIGHT_FLAPS; ++cycle) {
        for (uint32_t spread = 0; spread <= FLAP_WIDEST_SPREAD; ++spread) {
            flight_frame(cycle, spread);
        }
        for (uint32_t spread = FLAP_WIDEST_SPREAD; spread != 0; --spread) {
            flight_frame(cycle, spread);
        }
    }
}

// ---------------------------------------------------------------------------

namespace {

// The credits page, one centred line per row, NUL-padded to the row size.
constexpr std::size_t CREDITS_ROW_BYTES = 60;
constexpr char CREDITS_TABLE[][CREDITS_ROW_BYTES] = {
    "\"VELTRONAQUIS\"",
    " ",
    "by",
    " ",
    "GrOmFaLd3X",
    " ",
    "A small demo to discover SDL2 on MorphOS",
    "with oldschool effects ;)",
    " ",
    "***",
    " ",
    "Code : Vorn",
    "Music : Ulm",
    "Graphics : Vorn - Tesk Bo Warn",
    "Testings : FeLunda - KorviPax - Ulm",
    " ",
    "***",
    " ",
    "Historical GrOmFaLd3X are :",
    " ",
    "KorviPax - pernock - DrubelFoss - Vorn",
    "Tesk Bo Warn - SkaMor - Nimbrot - vEEk - Lasrem",
    "Ulm - TulaQev - Quandrix - Wabe - Firmel Ostrav",
    " ",
    "***",
    " ",
    "Friendly greetings to members of :",
    " ",
    "Ystrel - Obrunda - Kelvorra",
    "ZeNDoR PlaxiTh - Vostrellimander - Krevo Talumb",
    "Plomvi X - 7Q - ZORT - Trevaslund",
    "Skell Marvonix - Vrek OZH - UDDW",
    " ",
    "And to all Amiga fans around the world ;)",
    " ",
    " ",
    "Special thanks to :",
    " ",
    "MorphOS Team for its wonderful OS",
    "and FeLunda/TRaven/Ombe for their",
    "SDL2 Libraries ports :)",
    " ",
    " ",
    "See you soon...",
    " ",
    " ",
    "2o22 - GrOmFaLd3X",
};
constexpr int32_t CREDITS_ROWS = 47;
static_assert(std::size(CREDITS_TABLE) == CREDITS_ROWS);

constexpr bool credits_rows_fit() {
    for (const auto& row : CREDITS_TABLE) {
        std::size_t n = 0;
        while (row[n] != '\0') {
            ++n;
        }
        // Blank rows hold one space, and no row is wider than 47 glyphs.
        if (n == 0 || n > 47) {
            return false;
        }
    }
    return true;
}
static_assert(credits_rows_fit());

// Glyphs drawn unscaled, rows touching.
constexpr int32_t CREDITS_GLYPH_W = 24;
constexpr int32_t CREDITS_GLYPH_H = 44;
constexpr int32_t CREDITS_CENTRE_X = SCREEN_WIDTH / 2;
// The page starts just below the screen and scrolls until only its last pixel row shows.
constexpr int32_t CREDITS_FIRST_SCROLL = SCREEN_HEIGHT;
constexpr int32_t CREDITS_LAST_SCROLL = 1 - CREDITS_ROWS * CREDITS_GLYPH_H;

}  // namespace

void credits_scene() {
    char credits[CREDITS_ROWS][CREDITS_ROW_BYTES];
    std::memcpy(credits, CREDITS_TABLE, sizeof credits);
    replace_surface(fonts, "gfx/fonts2.bmp");
    replace_texture(fonts);

    for (int32_t scroll = CREDITS_FIRST_SCROLL; scroll >= CREDITS_LAST_SCROLL; --scroll) {
        const uint32_t t0 = begin_frame();
        // Draw every row, on screen or not, each centred on the middle of the screen.
        for (int32_t r = 0; r < CREDITS_ROWS; ++r) {
            const auto n = static_cast<int32_t>(std::strlen(credits[r]));
            for (int32_t i = 0; i < n; ++i) {
                int32_t gx = 0;
                int32_t gy = 0;
                font2(static_cast<unsigned char>(credits[r][i]), &gx, &gy);
                const SDL_Rect source = {gx, gy, CREDITS_GLYPH_W, CREDITS_GLYPH_H};
                const SDL_Rect destination = {CREDITS_CENTRE_X + CREDITS_GLYPH_W * i - (CREDITS_GLYPH_W * n) / 2,
                                              CREDITS_GLYPH_H * r + scroll, CREDITS_GLYPH_W, CREDITS_GLYPH_H};
                SDL_RenderCopy(renderer, texture, &source, &destination);
            }
        }
        end_frame(t0);
    }
}

// ---------------------------------------------------------------------------

namespace {

// The rabbit rises and leaves at this x.
constexpr int32_t FADE_RABBIT_X = 460;
// The rise starts below the screen and ends with the blink at y = 160.
constexpr int32_t FADE_RISE_START = SCREEN_HEIGHT;
constexpr int32_t FADE_BLINK_Y = 160;
constexpr int32_t FADE_RISE_STEP = 2;
// Once the rise is over, each frame moves this much more.
constexpr int32_t FADE_FLIGHT_STEP = 30;
constexpr int32_t FADE_LAST_Y = -999;
constexpr Uint32 FADE_HOLD_MS = 500;
constexpr Uint32 FADE_BLINK_MS = 250;
// The volume falls by this much per frame, from full.
constexpr double FADE_VOLUME_STEP = 0.4;
constexpr float FADE_FULL_VOLUME = 128;

}  // namespace

void closing_fade_scene() {
    float v = 0;
    replace_surface(image, RABBIT_SHEET);
    replace_texture(image);

    int32_t y = FADE_RISE_START;
    while (y >= FADE_LAST_Y) {
        const uint32_t t0 = SDL_GetTicks();
        quit_event();
        // Fade the tune: the sum is taken in double and kept in single precision.
        v = static_cast<float>(v + FADE_VOLUME_STEP);
        Mix_VolumeMusic(static_cast<int>(FADE_FULL_VOLUME - v));
        SDL_RenderClear(renderer);

        // Rise slowly, then shoot off upward once past the blink.
        if (y < FADE_BLINK_Y) {
            y -= FADE_FLIGHT_STEP;
        }
        draw_rabbit(RABBIT_STANDING, FADE_RABBIT_X, y);
        show_frame();
        if (y == FADE_BLINK_Y) {
            // Blink where the rise ends, without reading input.
            SDL_Delay(FADE_HOLD_MS);
            rabbit_still_frame(RABBIT_BLINKING, FADE_RABBIT_X, y + RABBIT_BLINK_DROP, FADE_BLINK_MS);
            rabbit_still_frame(RABBIT_STANDING, FADE_RABBIT_X, y, FADE_HOLD_MS);
        }
        pace_frame(t0);
        y -= FADE_RISE_STEP;
    }

    // Let the screen stay black a moment, then release the tune and the audio device.
    SDL_Delay(FADE_HOLD_MS);
    stop_music();
}
