// The picture sequence: the still picture and the beam fan with its sprite formation.
#include "pictures.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <iterator>

#include "runtime.h"

namespace {

constexpr const char* PICTURE_PATH = "gfx/bisounours.jpg";
// Whatever its size, the picture is stretched over the whole screen.
constexpr SDL_Rect FULL_SCREEN = {0, 0, SCREEN_WIDTH, SCREEN_HEIGHT};
// About 3.4 s of idle, paced iterations with the picture on screen.
constexpr int32_t PICTURE_HOLD_ITERATIONS = 200;
// The squash ends when both edges meet the centre line.
constexpr uint32_t SQUASH_END_PX = SCREEN_HEIGHT / 2;
constexpr uint32_t SQUASH_STEP_PX = 3;

}  // namespace

void still_picture_scene() {
    if (image != nullptr) {
        SDL_FreeSurface(image);
    }
    image = IMG_Load(PICTURE_PATH);
    replace_texture(image);

    // Show the picture once; it covers the whole screen, so nothing needs clearing.
    SDL_RenderCopy(renderer, texture, nullptr, &FULL_SCREEN);
    show_frame();

    // Hold it without drawing, still answering Escape and clicks.
    for (int32_t hold = 0; hold < PICTURE_HOLD_ITERATIONS; ++hold) {
        const uint32_t t0 = stamp_frame();
        quit_event();
        pace_frame(t0);
    }

    for (uint32_t v = 0; v <= SQUASH_END_PX; v += SQUASH_STEP_PX) {
        if (v == SQUASH_STEP_PX) {
            mark("picture squashes");
        }
        const uint32_t t0 = begin_frame();
        // Squash the whole picture into the band between y = v and y = 720 - v.
        const SDL_Rect band = {0, static_cast<int>(v), SCREEN_WIDTH,
                               static_cast<int>((SQUASH_END_PX - v) * 2)};
        SDL_RenderCopy(renderer, texture, nullptr, &band);
        end_frame(t0);
    }
}

// ---------------------------------------------------------------------------

namespace {

constexpr const char* SPRITE_SHEET_PATH = "gfx/veltronaquis.bmp";

// The beam strip: columns 0 to 29 of the sheet, rows 0 to 720, one row per screen row.
constexpr int BEAM_STRIP_WIDTH = 30;
constexpr int32_t BEAM_LAST_ROW = 720;
// Strip scroll per frame, in rows.
constexpr int32_t BEAM_SCROLL_STEP = 4;
constexpr int BEAM_SCROLL_PASSES = 4;

// One beam: x = top_x + (x_num * i) / x_den, width = (w_num * i) / w_den + top_width at row i.
struct BeamShape {
    int32_t top_x;
    int32_t x_num, x_den;
    int32_t w_num, w_den;
};
constexpr int32_t BEAM_TOP_WIDTH = 10;
constexpr BeamShape BEAMS[] = {
    {585, -1, 1, 2, 3},  // left: leans out one pixel per row
    {635, -1, 4, 1, 2},  // middle: nearly upright
    {690, 1, 3, 2, 3},   // right: leans out a third of a pixel per row
};
static_assert(std::size(BEAMS) == 3, "left, middle and right beam");

// The sprite frames: 160 x 160, stacked in the sheet's columns 30 to 189.
constexpr int SPRITE_SHEET_X = BEAM_STRIP_WIDTH;
constexpr int SPRITE_SIZE = 160;
// Source y of the two frames shown while moving left, then while moving right.
constexpr int32_t LEFTWARD_FRAME_Y[] = {0, 160};
constexpr int32_t RIGHTWARD_FRAME_Y[] = {320, 480};
// Each frame of a pair lasts 6 formation frames.
constexpr int32_t SPRITE_CYCLE_FRAMES = 12;
constexpr int32_t SPRITE_FRAME_FRAMES = SPRITE_CYCLE_FRAMES / 2;

// The formation starts at the bottom right corner, rises a pixel a frame and
// turns from leftward to rightward once its top reaches this y.
constexpr int32_t FORMATION_START_X = SCREEN_WIDTH;
constexpr int32_t FORMATION_START_Y = SCREEN_HEIGHT;
constexpr int32_t FORMATION_TURN_Y = 290;
constexpr int32_t FORMATION_RISE_PX = 1;
constexpr int32_t FORMATION_STEP_PX = 3;

// Top left of each sprite, relative to the formation's.
struct SpriteOffset {
    int32_t dx, dy;
};
constexpr SpriteOffset FORMATION[] = {
    {100, 0},    // leader, top
    {300, 50},   // right wing
    {0, 200},    // left, low
    {250, 250},  // centre, lowest
    {450, 220},  // far right
};
static_assert(std::size(FORMATION) == 5, "five sprites");

struct FormationState {
    int32_t fx;      // left of the formation
    int32_t fy;      // top of the formation
    int32_t fcount;  // formation frames so far; never restarts within the scene
    int32_t frow;    // source y of the sprite frame shown
};

// One row of the fan, screen row `i` showing strip row `s`: left, middle, right.
void draw_beam_row(int32_t i, int32_t s) {
    const SDL_Rect source = {0, s, BEAM_STRIP_WIDTH, 1};
    for (const BeamShape& beam : BEAMS) {
        const SDL_Rect row = {beam.top_x + (beam.x_num * i) / beam.x_den, i,
                              (beam.w_num * i) / beam.w_den + BEAM_TOP_WIDTH, 1};
        SDL_RenderCopy(renderer, texture, &source, &row);
    }
}

// One formation frame: rise, pick the sprite frame, move, draw the five sprites.
void step_and_draw_formation(FormationState& f) {
    f.fy -= FORMATION_RISE_PX;
    f.fcount += 1;
    const int second_of_pair = (f.fcount % SPRITE_CYCLE_FRAMES) >= SPRITE_FRAME_FRAMES;
    if (f.fy > FORMATION_TURN_Y) {
        f.frow = LEFTWARD_FRAME_Y[second_of_pair];
        f.fx -= FORMATION_STEP_PX;
    } else {
        f.frow = RIGHTWARD_FRAME_Y[second_of_pair];
        f.fx += FORMATION_STEP_PX;
    }
    // Draw the five sprites over the beams.
    const SDL_Rect source = {SPRITE_SHEET_X, f.frow, SPRITE_SIZE, SPRITE_SIZE};
    for (const SpriteOffset& sprite : FORMATION) {
        const SDL_Rect destination = {f.fx + sprite.dx, f.fy + sprite.dy, SPRITE_SIZE, SPRITE_SIZE};
        SDL_RenderCopy(renderer, texture, &source, &destination);
    }
}

}  // namespace

void beam_fan_scene() {
    replace_surface(image, SPRITE_SHEET_PATH);
    set_colour_key(image, 0, 0, 0);
    replace_texture(image);

    // Entry: the strip slides down from the top edge, its lower end first.
    for (int32_t v = 0; v <= BEAM_LAST_ROW; v += BEAM_SCROLL_STEP) {
        const uint32_t t0 = begin_frame();
        for (int32_t i = 0; i <= v; ++i) {
            draw_beam_row(i, BEAM_LAST_ROW - v + i);
        }
        end_frame(t0);
    }

    FormationState formation = {FORMATION_START_X, FORMATION_START_Y, 0, 0};

    // Scroll: the strip runs down through the full beams and wraps round.
    for (int pass = 1; pass <= BEAM_SCROLL_PASSES; ++pass) {
        for (int32_t v = 0; v <= BEAM_LAST_ROW; v += BEAM_SCROLL_STEP) {
            const uint32_t t0 = begin_frame();
            // Draw the strip's lower end above row v, then its top from row v down.
            for (int32_t i = 0; i < v; ++i) {
                draw_beam_row(i, BEAM_LAST_ROW - v + i);
            }
            for (int32_t i = v; i <= BEAM_LAST_ROW; ++i) {
                draw_beam_row(i, i - v);
            }
            step_and_draw_formation(formation);
            end_frame(t0);
        }
    }

    // Exit: the strip's top end moves down and leaves empty rows above it.
    for (int32_t v = 0; v <= BEAM_LAST_ROW; v += BEAM_SCROLL_STEP) {
        const uint32_t t0 = begin_frame();
        for (int32_t i = v; i <= BEAM_LAST_ROW; ++i) {
            draw_beam_row(i, i - v);
        }
        step_and_draw_formation(formation);
        end_frame(t0);
    }
}
