// The opening sequence: countdown, intro lines, title and the rabbit.
#include "opening.h"

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <iterator>

#include "glyphs.h"
#include "runtime.h"

namespace {

constexpr int RABBIT_W = 300;
constexpr int RABBIT_H = 320;
constexpr int RABBIT_TOP = 180;
// The walk to the left passes this x once and poses there.
constexpr int32_t RABBIT_POSE_X = 520;
// In the pose the standing cell sits this far left of the walking one.
constexpr int32_t RABBIT_POSE_SHIFT = 71;
constexpr int32_t RABBIT_WALK_STEP = 20;
constexpr int32_t RABBIT_RUN_STEP = 40;
constexpr int32_t RABBIT_WALK_END = -999;
constexpr int32_t RABBIT_RUN_START = -1000;
constexpr int32_t RABBIT_RUN_END = 1320;
constexpr Uint32 RABBIT_PAUSE_MS = 500;
constexpr Uint32 RABBIT_BLINK_MS = 250;

}  // namespace

void draw_rabbit(const SDL_Rect& cell, int32_t x, int32_t y) {
    const SDL_Rect destination = {x, y, RABBIT_W, RABBIT_H};
    SDL_RenderCopy(renderer, texture, &cell, &destination);
}

void rabbit_still_frame(const SDL_Rect& cell, int32_t x, int32_t y, Uint32 delay_ms) {
    SDL_RenderClear(renderer);
    draw_rabbit(cell, x, y);
    show_frame();
    hold_ms(delay_ms);
}

// ---------------------------------------------------------------------------

namespace {

// Each digit's spoken sample, by digit.
constexpr const char* COUNTDOWN_SAMPLES[] = {"sfx/0.mp3", "sfx/1.mp3", "sfx/2.mp3", "sfx/3.mp3"};
static_assert(std::size(COUNTDOWN_SAMPLES) == 4);
constexpr int32_t COUNTDOWN_FIRST_DIGIT = 3;
// The sample plays once; the digit's frames cut it off or outlast it.
constexpr int COUNTDOWN_SAMPLE_LOOPS = 1;
// Growth per frame; a frame runs while the growth is at most COUNTDOWN_GROWTH_END.
constexpr int32_t COUNTDOWN_GROWTH_START = -32;
constexpr int32_t COUNTDOWN_GROWTH_STEP = 8;
constexpr int32_t COUNTDOWN_GROWTH_END = 419;
constexpr Uint32 COUNTDOWN_PAUSE_MS = 100;

}  // namespace

void countdown_scene() {
    replace_surface(fonts, "gfx/fonts.bmp");
    replace_texture(fonts);

    for (int32_t digit = COUNTDOWN_FIRST_DIGIT; digit >= 0; --digit) {
        start_music(COUNTDOWN_SAMPLES[digit], COUNTDOWN_SAMPLE_LOOPS);
        int32_t p = COUNTDOWN_GROWTH_START;
        while (p <= COUNTDOWN_GROWTH_END) {
            const uint32_t t0 = begin_frame();
            p += COUNTDOWN_GROWTH_STEP;
            // Fly the digit in from the right while it grows about y = 392.
            draw_large_glyph(static_cast<unsigned char>('0' + digit),
                             {2 * (SCREEN_WIDTH / 2 - p), SCREEN_HEIGHT / 2 - p / 2, p + 32, p + 64});
            end_frame(t0);
        }
        stop_music();
    }
    wait_ms(COUNTDOWN_PAUSE_MS);
}

// ---------------------------------------------------------------------------

namespace {

// One intro line: its text, the side it slides in from, its band and how far it slides.
struct IntroLine {
    const char* text;
    bool from_right;
    int32_t y;
    int32_t slide_limit; // a frame runs while the slide is at most this
    Uint32 pause_ms;     // the line stays on screen this long afterwards
};

constexpr IntroLine INTRO_LINES[] = {
    {" SOMEWHERE IN 2022 ", true, 26, 1247, 500},     // rests at x = 30
    {"GROMFALDEX ARE BACK", false, 206, 1311, 500},   // rests centred at x = 32
    {"    WITH A SMALL    ", true, 386, 1279, 500},   // fills the width
    {"MORPHOS DEMO IN SDL2", false, 566, 1279, 1000}, // fills the width
};
static_assert(std::size(INTRO_LINES) == 4);

constexpr const char* MAIN_TUNE = "sfx/Quorvintabe.mp3";
// The main tune loops until the closing fade frees it.
constexpr int MAIN_TUNE_LOOPS = -1;
// The lines start this many glyphs off screen.
constexpr int32_t INTRO_OFFSCREEN_GLYPHS = 20;
constexpr int32_t INTRO_GLYPH_W = 64;
constexpr int32_t INTRO_GLYPH_H = 128;

}  // namespace

void intro_scene() {
    start_music(MAIN_TUNE, MAIN_TUNE_LOOPS);

    for (const IntroLine& line : INTRO_LINES) {
        int32_t p = 0;
        while (p <= line.slide_limit) {
            const uint32_t t0 = begin_frame();
            p = eased_slide(p);
            // Ease the line in from its side.
            draw_large_text(line.text, [&](int32_t i) {
                const int32_t x = line.from_right ? (i + INTRO_OFFSCREEN_GLYPHS) * INTRO_GLYPH_W - p
                                                  : (i - INTRO_OFFSCREEN_GLYPHS) * INTRO_GLYPH_W + p;
                return SDL_Rect{x, line.y, INTRO_GLYPH_W, INTRO_GLYPH_H};
            });
            end_frame(t0);
        }
        hold_ms(line.pause_ms);
    }
}

// ---------------------------------------------------------------------------

namespace {

constexpr char TITLE[] = "VELTRONAQUIS";
// Zoom growth per frame; a frame runs while the growth is at most TITLE_ZOOM_END.
constexpr int32_t TITLE_ZOOM_START = -32;
constexpr int32_t TITLE_ZOOM_STEP = 6;
constexpr int32_t TITLE_ZOOM_END = 619;
// Top of the zoom at p = 0; its vertical centre stays on y = 376.
constexpr int32_t TITLE_ZOOM_TOP = 344;
constexpr int32_t TITLE_HOLD_ITERATIONS = 100;
constexpr int32_t TITLE_RISE_FRAMES = 30;

}  // namespace

void title_scene() {
    const uint32_t length = static_cast<uint32_t>(std::strlen(TITLE));
    const int32_t half = static_cast<int32_t>(length / 2);
    // At rest the title spans the width, each glyph twice as high as wide.
    const int32_t rest_w = static_cast<int32_t>(SCREEN_WIDTH / length);
    const int32_t rest_h = static_cast<int32_t>(2 * SCREEN_WIDTH / length);
    const int32_t rest_top = SCREEN_HEIGHT / 2 - rest_w;
    const auto rest_x = [&](int32_t i) {
        return static_cast<int32_t>(static_cast<uint32_t>(i) * SCREEN_WIDTH / length);
    };

    // Zoom up from a thin strip about the middle; glyph `half` keeps its left edge at x = 640.
    int32_t p = TITLE_ZOOM_START;
    while (p <= TITLE_ZOOM_END) {
        const uint32_t t0 = begin_frame();
        p += TITLE_ZOOM_STEP;
        draw_large_text(TITLE, [&](int32_t i) {
            const int32_t x = (i - half) * (p + 32) + SCREEN_WIDTH / 2;
            return SDL_Rect{x, TITLE_ZOOM_TOP - p / 2, p + 32, p + 64};
        });
        end_frame(t0);
    }

    // Snap to the title at rest across the width, with no poll.
    mark("title at full size");
    SDL_RenderClear(renderer);
    draw_large_text(TITLE, [&](int32_t i) { return SDL_Rect{rest_x(i), rest_top, rest_w, rest_h}; });
    show_frame();

    // Hold it, still reading input.
    int32_t q = 0;
    while (q < TITLE_HOLD_ITERATIONS) {
        const uint32_t t0 = stamp_frame();
        quit_event();
        ++q;
        pace_frame(t0);
    }

    // Shoot it up out of the screen, q squared pixels up.
    q = 0;
    while (q < TITLE_RISE_FRAMES) {
        const uint32_t t0 = begin_frame();
        ++q;
        draw_large_text(TITLE, [&](int32_t i) {
            return SDL_Rect{rest_x(i), rest_top - q * q, rest_w, rest_h};
        });
        end_frame(t0);
    }
}

// ---------------------------------------------------------------------------

void rabbit_scene() {
    replace_surface(image, RABBIT_SHEET);
    replace_texture(image);
    hold_ms(RABBIT_PAUSE_MS);

    // Walk in from the right and out at the left, posing once on the way.
    for (int32_t x = SCREEN_WIDTH; x >= RABBIT_WALK_END; x -= RABBIT_WALK_STEP) {
        const uint32_t t0 = begin_frame();
        draw_rabbit(RABBIT_WALKING, x, RABBIT_TOP);
        show_frame();
        if (x == RABBIT_POSE_X) {
            const int32_t pose_x = x - RABBIT_POSE_SHIFT;
            hold_ms(RABBIT_PAUSE_MS);
            rabbit_still_frame(RABBIT_STANDING, pose_x, RABBIT_TOP, RABBIT_PAUSE_MS);
            rabbit_still_frame(RABBIT_BLINKING, pose_x, RABBIT_TOP + RABBIT_BLINK_DROP, RABBIT_BLINK_MS);
            mark("rabbit opens its eyes");
            rabbit_still_frame(RABBIT_STANDING, pose_x, RABBIT_TOP, RABBIT_PAUSE_MS);
            rabbit_still_frame(RABBIT_WALKING, x, RABBIT_TOP, RABBIT_PAUSE_MS);
        }
        pace_frame(t0);
    }

    // Run back across the whole screen at twice the speed, standing.
    for (int32_t x = RABBIT_RUN_START; x <= RABBIT_RUN_END; x += RABBIT_RUN_STEP) {
        const uint32_t t0 = begin_frame();
        draw_rabbit(RABBIT_STANDING, x, RABBIT_TOP);
        end_frame(t0);
    }
    hold_ms(RABBIT_PAUSE_MS);
}
