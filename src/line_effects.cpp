// Caption cards and the scenes drawn from raster lines and the butterfly.
#include "line_effects.h"

#include <SDL.h>

#include "glyphs.h"
#include "runtime.h"

namespace {

// A slide-in frame runs while the slide is at most this.
constexpr int32_t CAPTION_SLIDE_END = 1119;
constexpr Uint32 CAPTION_HOLD_MS = 1000;
constexpr int32_t CAPTION_SLIDE_OUT_FRAMES = 60;
// The text's rest x when the slide-out starts.
constexpr int32_t CAPTION_REST_X = 160;
// Glyphs at one and a half times the cell, centred vertically.
constexpr int32_t CAPTION_GLYPH_W = 48;
constexpr int32_t CAPTION_GLYPH_H = 96;
constexpr int32_t CAPTION_TOP = 312;

}  // namespace

void caption_card(const char* text) {
    replace_texture(fonts);

    // Ease the text in from the right edge.
    int32_t p = 0;
    while (p <= CAPTION_SLIDE_END) {
        const uint32_t t0 = begin_frame();
        p = p + 45 - p / 30;
        draw_large_text(text, [&](int32_t j) {
            return SDL_Rect{SCREEN_WIDTH + CAPTION_GLYPH_W * j - p, CAPTION_TOP, CAPTION_GLYPH_W,
                            CAPTION_GLYPH_H};
        });
        end_frame(t0);
    }

    // Hold the last frame, without reading input.
    SDL_Delay(CAPTION_HOLD_MS);

    // Speed it out through the left edge.
    int32_t q = 0;
    while (q < CAPTION_SLIDE_OUT_FRAMES) {
        const uint32_t t0 = begin_frame();
        ++q;
        draw_large_text(text, [&](int32_t j) {
            return SDL_Rect{CAPTION_REST_X + CAPTION_GLYPH_W * j - q * q / 3, CAPTION_TOP,
                            CAPTION_GLYPH_W, CAPTION_GLYPH_H};
        });
        end_frame(t0);
    }
}

// ---------------------------------------------------------------------------

void butterfly_scene() {
}

// ---------------------------------------------------------------------------

void turning_butterfly_scene() {
}

// ---------------------------------------------------------------------------

void five_butterflies_scene() {
}
