// The two sphere scenes, over the raster backdrop with its flipping caption.
#include "spheres.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "glyphs.h"
#include "runtime.h"

namespace {

// The caption's lines, shown one after the other as the caption flips shut.
constexpr std::size_t CAPTION_LINE_BYTES = 18;
constexpr char CAPTION_TABLE[][CAPTION_LINE_BYTES] = {
    " ",
    " ",
    "VELTRONAQUIS",
    "BY",
    "GROMFALDEX",
    "A SMALL DEMO",
    "TO DISCOVER",
    "SDL2 ON MORPHOS",
    "WITH OLDSCHOOL",
    "EFFECTS ;)",
    "CODE: VORN",
    "MUSIC: ULM",
    "GRAPHICS:",
    "VORN - TESKBOWARN",
    "TESTINGS:",
    "FELUNDA",
    "KORVIPAX - ULM",
    "SPECIAL THANKS TO",
    "MORPHOS TEAM FOR",
    "ITS WONDERFUL OS",
    "AND FELUNDA",
    "TRAVEN - OMBE",
    "FOR THEIR SDL2",
    "LIBRARIES PORTS",
    ":)",
    "GREETINGS TO ALL",
    "AMIGA FANS AROUND",
    "THE WORLD !",
    "ET COMME ON DIT",
    "CHEZ MOI:",
    "\"SALU BISAMME !\"",
    ";)",
    " ",
    " ",
};
constexpr uint32_t CAPTION_LINES = 34;
static_assert(std::size(CAPTION_TABLE) == CAPTION_LINES);

constexpr bool no_empty_line() {
    for (const auto& line : CAPTION_TABLE) {
        if (line[0] == '\0') {
            return false;
        }
    }
    return true;
}
static_assert(no_empty_line(), "blank caption lines hold one space");

constexpr uint32_t SCREEN_LAST_ROW = SCREEN_HEIGHT - 1;
// Grey level grows by one every 1.26 rows below the gradient's top.
constexpr double GRADIENT_ROWS_PER_LEVEL = 1.26;
// The caption is hidden and frozen while the gradient starts below this row.
constexpr uint32_t CAPTION_LOWEST_RASTER_TOP = 669;
constexpr uint32_t CAPTION_OPEN_HEIGHT = 132;
constexpr int32_t CAPTION_FLIP_STEP = 2;
// On screen each glyph is three cells wide, centred about these points.
constexpr int32_t CAPTION_GLYPH_W = 3 * SMALL_CELL_W;
constexpr int32_t CAPTION_CENTRE_X = SCREEN_WIDTH / 2;
constexpr int32_t CAPTION_CENTRE_Y = 116;
constexpr int32_t REFLECTION_CENTRE_Y = 666;

// The backdrop's state: set up by the first sphere scene, carried on by the second.
BackdropState backdrop = {};

}  // namespace

void background(uint32_t raster_top, uint32_t* caption_row, uint32_t* caption_height,
                int32_t* caption_step) {
    // Draw the gradient, black at its top, one grey line per row down to the bottom edge.
    for (uint32_t y = raster_top; y <= SCREEN_LAST_ROW; ++y) {
        const auto level = static_cast<uint32_t>((y - raster_top) / GRADIENT_ROWS_PER_LEVEL);
        const auto grey = static_cast<Uint8>(level);
        SDL_SetRenderDrawColor(renderer, grey, grey, grey, 0);
        SDL_RenderDrawLine(renderer, 0, static_cast<int>(y), SCREEN_WIDTH, static_cast<int>(y));
    }

    SDL_Texture* glyphs = SDL_CreateTextureFromSurface(renderer, fonts);

    // Draw the caption line, each glyph upright in its own colours, then its black reflection.
    const char* line = CAPTION_TABLE[*caption_row];
    const auto length = static_cast<int32_t>(std::strlen(line));
    const uint32_t h = *caption_height;
    for (int32_t k = 0; k < length; ++k) {
        int32_t cx = 0;
        int32_t cy = 0;
        font2(static_cast<unsigned char>(line[k]), &cx, &cy);
        const SDL_Rect source = {cx, cy, SMALL_CELL_W, SMALL_CELL_H};
        const int32_t x = CAPTION_CENTRE_X + CAPTION_GLYPH_W * k - (CAPTION_GLYPH_W * length) / 2;
        const SDL_Rect upright = {x, CAPTION_CENTRE_Y - static_cast<int32_t>(h >> 1), CAPTION_GLYPH_W,
                                  static_cast<int32_t>(h)};
        SDL_SetTextureColorMod(glyphs, 255, 255, 255);
        SDL_RenderCopy(renderer, glyphs, &source, &upright);
        const SDL_Rect reflection = {x, REFLECTION_CENTRE_Y - static_cast<int32_t>(h >> 2), CAPTION_GLYPH_W,
                                     static_cast<int32_t>(h >> 1)};
        SDL_SetTextureColorMod(glyphs, 0, 0, 0);
        SDL_RenderCopyEx(renderer, glyphs, &source, &reflection, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }

    // Flip the caption on, or keep it shut while the gradient is low.
    if (raster_top > CAPTION_LOWEST_RASTER_TOP) {
        *caption_height = 0;
    } else {
        *caption_height += *caption_step;
        if (*caption_height == 0) {
            *caption_step = CAPTION_FLIP_STEP;
            *caption_row += 1;
            if (*caption_row == CAPTION_LINES) {
                *caption_row = 0;
            }
        }
        if (*caption_height == CAPTION_OPEN_HEIGHT) {
            *caption_step = -CAPTION_FLIP_STEP;
        }
    }

    if (glyphs != nullptr) {
        SDL_DestroyTexture(glyphs);
    }
}

BackdropState backdrop_state() {
    return backdrop;
}

// ---------------------------------------------------------------------------

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
        if (cycle == 1) {
            mark("V opens");
        }
        if (cycle == DRIFT_FIRST_CYCLE) {
            mark("figure drifts outward");
        }
        for (uint32_t spread = 0; spread <= SPIN_WIDEST_SPREAD; spread += SPIN_SPREAD_STEP) {
            spin_frame(cycle, spread, true);
        }
        for (uint32_t spread = SPIN_WIDEST_SPREAD; spread != 0; spread -= SPIN_SPREAD_STEP) {
            spin_frame(cycle, spread, false);
        }
    }
}

// ---------------------------------------------------------------------------

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
    mark("wings start flapping");
    for (int32_t cycle = 1; cycle <= FLIGHT_FLAPS; ++cycle) {
        for (uint32_t spread = 0; spread <= FLAP_WIDEST_SPREAD; ++spread) {
            flight_frame(cycle, spread);
        }
        for (uint32_t spread = FLAP_WIDEST_SPREAD; spread != 0; --spread) {
            flight_frame(cycle, spread);
        }
    }
}
