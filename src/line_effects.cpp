// Caption cards and the scenes drawn from raster lines and the butterfly.
#include "line_effects.h"

#include <SDL.h>

#include <cstdint>
#include <iterator>

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
        p = eased_slide(p);
        draw_large_text(text, [&](int32_t j) {
            return SDL_Rect{SCREEN_WIDTH + CAPTION_GLYPH_W * j - p, CAPTION_TOP, CAPTION_GLYPH_W,
                            CAPTION_GLYPH_H};
        });
        end_frame(t0);
    }

    // Hold the last frame, without reading input.
    hold_ms(CAPTION_HOLD_MS);

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

namespace {

// A bar band is made of quarters of this many one-pixel lines; the ramp rises
// 0, 5, ... 245 in the odd quarters and falls 250, 245, ... 5 in the even ones.
constexpr int32_t QUARTER_LINES = 50;
constexpr int32_t RAMP_STEP = 5;
constexpr int32_t RAMP_PEAK = QUARTER_LINES * RAMP_STEP;
// Grey bands rise then fall once; colour bands do it twice.
constexpr int32_t GREY_BAND_LINES = 2 * QUARTER_LINES;
constexpr int32_t COLOUR_BAND_LINES = 4 * QUARTER_LINES;
// Rows and clock both advance by this much per frame.
constexpr int32_t LINE_STEP = 4;
// A sweep runs its band position down to here (the last value is -96).
constexpr int32_t SWEEP_LAST_K = -99;
// Once the clock passes this, sweeps start with the bars covering the screen.
constexpr int32_t BARS_RISEN_CLOCK = 719;
constexpr int32_t LAST_ROW = SCREEN_HEIGHT - 1;
// Colour bars shift one channel by this much per row of scroll.
constexpr double CHANNEL_SHIFT_PER_ROW = 2.6;

// The butterfly picture: its top-left 640 x 360, white transparent.
constexpr const char* BUTTERFLY_BMP = "gfx/butterfly.bmp";
constexpr SDL_Rect BUTTERFLY_SOURCE = {0, 0, 640, 360};
constexpr int32_t BUTTERFLY_W = 640;
constexpr int32_t BUTTERFLY_H = 360;
// Unscaled, its top-left here puts it in the middle of the screen.
constexpr int32_t BUTTERFLY_LEFT = (SCREEN_WIDTH - BUTTERFLY_W) / 2;
constexpr int32_t BUTTERFLY_TOP = (SCREEN_HEIGHT - BUTTERFLY_H) / 2;

// The line scenes clear before anything else, and poll per band instead.
uint32_t begin_line_frame() {
    const uint32_t t0 = stamp_frame();
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_RenderClear(renderer);
    return t0;
}

// Ramp value of line `n` of a band.
int32_t ramp(int32_t n) {
    const int32_t step = n % QUARTER_LINES;
    return (n / QUARTER_LINES) % 2 == 0 ? step * RAMP_STEP : RAMP_PEAK - step * RAMP_STEP;
}

// The shifted channel of line `n` at band position `k`: down in the first half
// of the band, up in the second, truncated, then its low 8 bits.
Uint8 shifted_channel(int32_t n, int32_t k) {
    const double shift = CHANNEL_SHIFT_PER_ROW * k;
    const double value = n < 2 * QUARTER_LINES ? ramp(n) - shift : ramp(n) + shift;
    return static_cast<Uint8>(static_cast<int32_t>(value));
}

// The curtain covers rows below 720 - c; unsigned, so rows above the screen count too.
bool below_curtain(int32_t y, int32_t curtain) {
    return static_cast<uint32_t>(y) > static_cast<uint32_t>(SCREEN_HEIGHT - curtain);
}

// One line of the bars, with its own colour call.
void bar_line(int32_t x1, int32_t x2, int32_t y, Uint8 r, Uint8 g, Uint8 b) {
    SDL_SetRenderDrawColor(renderer, r, g, b, 0);
    SDL_RenderDrawLine(renderer, x1, y, x2, y);
}

// No sweep of the grey bars starts once the clock is past this.
constexpr int32_t GREY_END_CLOCK = 2500;
// The curtain rises once the clock passes this.
constexpr int32_t GREY_CURTAIN_CLOCK = 1800;
constexpr SDL_Rect BUTTERFLY_CENTRED = {BUTTERFLY_LEFT, BUTTERFLY_TOP, BUTTERFLY_W, BUTTERFLY_H};

}  // namespace

void butterfly_scene() {
    int32_t i = 0;
    int32_t y0 = SCREEN_HEIGHT;
    int32_t c = 0;
    replace_surface(image, BUTTERFLY_BMP);
    set_colour_key(image, 255, 255, 255);
    replace_texture(image);

    while (i <= GREY_END_CLOCK) {
        if (i > BARS_RISEN_CLOCK) {
            y0 = 0;
        }
        for (int32_t k = y0; k >= SWEEP_LAST_K; k -= LINE_STEP) {
            const uint32_t t0 = begin_line_frame();
            i += LINE_STEP;
            if (i > GREY_CURTAIN_CLOCK) {
                c += LINE_STEP;
            }
            // Grey bands from row k down, each whole, black under the curtain.
            for (int32_t y = k; y <= LAST_ROW;) {
                quit_event();
                for (int32_t n = 0; n < GREY_BAND_LINES; ++n, ++y) {
                    const Uint8 col = below_curtain(y, c) ? 0 : static_cast<Uint8>(ramp(n));
                    bar_line(0, SCREEN_WIDTH, y, col, col, col);
                }
            }
            // The butterfly on top, unscaled in the middle.
            SDL_RenderCopy(renderer, texture, &BUTTERFLY_SOURCE, &BUTTERFLY_CENTRED);
            end_frame(t0);
        }
    }
}

// ---------------------------------------------------------------------------

namespace {

// No sweep starts once the clock is past this.
constexpr int32_t TURNING_END_CLOCK = 2850;
// Once the clock passes this, the right ends start to pull out.
constexpr int32_t PULL_OUT_CLOCK = 2720;
// The right end sits at 1280 - s * s / this.
constexpr int32_t PULL_OUT_DIVISOR = 20;
// The butterfly squeezes by this much per frame, to nothing and back.
constexpr int32_t TURNING_SQUEEZE_STEP = 8;

}  // namespace

void turning_butterfly_scene() {
    int32_t i = 0;
    int32_t s = 0;
    int32_t w = 0;
    int32_t dw = TURNING_SQUEEZE_STEP;
    replace_texture(image);

    while (i <= TURNING_END_CLOCK) {
        for (int32_t k = 0; k >= SWEEP_LAST_K; k -= LINE_STEP) {
            const uint32_t t0 = begin_line_frame();
            i += LINE_STEP;
            if (i > PULL_OUT_CLOCK) {
                s += LINE_STEP;
            }
            // Colour bands from row k down, their blue shifted with the scroll.
            const int32_t left = SCREEN_WIDTH - i;
            const int32_t right = SCREEN_WIDTH - s * s / PULL_OUT_DIVISOR;
            for (int32_t y = k; y <= LAST_ROW;) {
                quit_event();
                for (int32_t n = 0; n < COLOUR_BAND_LINES; ++n, ++y) {
                    const Uint8 col = static_cast<Uint8>(ramp(n));
                    bar_line(left, right, y, col, col, shifted_channel(n, k));
                }
            }
            // The butterfly turns about x = 640.
            w += dw;
            if (w == BUTTERFLY_W || w == 0) {
                dw = -dw;
            }
            const SDL_Rect turned = {BUTTERFLY_LEFT + w / 2, BUTTERFLY_TOP, BUTTERFLY_W - w, BUTTERFLY_H};
            SDL_RenderCopy(renderer, texture, &BUTTERFLY_SOURCE, &turned);
            end_frame(t0);
        }
    }
}

// ---------------------------------------------------------------------------

namespace {

// No sweep starts once the clock is past this; the curtain rises once it passes 2300.
constexpr int32_t SWING_END_CLOCK = 2999;
constexpr int32_t SWING_CURTAIN_CLOCK = 2300;
constexpr int32_t SWING_LINE_W = 640;
constexpr int32_t SWING_START_X = 100;
// The swing turns back once x passes these (so at 544 and at 96).
constexpr int32_t SWING_RIGHT_TURN_X = 540;
constexpr int32_t SWING_LEFT_TURN_X = 99;
// Half-size butterflies squeeze by this much per frame.
constexpr int32_t FIVE_SQUEEZE_STEP = 4;
constexpr int32_t SMALL_BUTTERFLY_W = 320;
constexpr int32_t SMALL_BUTTERFLY_H = 180;

// Top-left of each half-size butterfly when unsqueezed, like the five spots of a die.
struct Spot {
    int32_t x;
    int32_t y;
};
constexpr Spot BUTTERFLY_SPOTS[] = {
    {230, 20},   // top left
    {730, 20},   // top right
    {480, 270},  // centre
    {230, 520},  // bottom left
    {730, 520},  // bottom right
};
static_assert(std::size(BUTTERFLY_SPOTS) == 5, "five butterflies");

}  // namespace

void five_butterflies_scene() {
    int32_t i = 0;
    int32_t y0 = SCREEN_HEIGHT;
    int32_t x = SWING_START_X;
    int32_t c = 0;
    int32_t dx = 1;
    int32_t w = 0;
    int32_t dw = FIVE_SQUEEZE_STEP;
    replace_texture(image);

    while (i <= SWING_END_CLOCK) {
        if (i > BARS_RISEN_CLOCK) {
            y0 = 0;
        }
        for (int32_t k = y0; k >= SWEEP_LAST_K; k -= LINE_STEP) {
            const uint32_t t0 = begin_line_frame();
            x += LINE_STEP * dx;
            if ((x > SWING_RIGHT_TURN_X && dx == 1) || (x <= SWING_LEFT_TURN_X && dx == -1)) {
                dx = -dx;
            }
            i += LINE_STEP;
            if (i > SWING_CURTAIN_CLOCK) {
                c += LINE_STEP;
            }
            // Swinging colour bands, their red shifted with the scroll, black under the curtain.
            for (int32_t y = k; y <= LAST_ROW;) {
                quit_event();
                for (int32_t n = 0; n < COLOUR_BAND_LINES; ++n, ++y) {
                    if (below_curtain(y, c)) {
                        bar_line(x, x + SWING_LINE_W, y, 0, 0, 0);
                    } else {
                        const Uint8 col = static_cast<Uint8>(ramp(n));
                        bar_line(x, x + SWING_LINE_W, y, shifted_channel(n, k), col, col);
                    }
                }
            }
            // Five half-size butterflies, each turning about its own centre.
            w += dw;
            if (w == SMALL_BUTTERFLY_W || w == 0) {
                dw = -dw;
            }
            for (const Spot& spot : BUTTERFLY_SPOTS) {
                const SDL_Rect turned = {spot.x + w / 2, spot.y, SMALL_BUTTERFLY_W - w, SMALL_BUTTERFLY_H};
                SDL_RenderCopy(renderer, texture, &BUTTERFLY_SOURCE, &turned);
            }
            end_frame(t0);
        }
    }
}
