// The closing sequence: end credits and closing fade.
#include "closing.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "glyphs.h"
#include "opening.h"
#include "runtime.h"

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
        const uint32_t t0 = stamp_frame();
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
            hold_ms(FADE_HOLD_MS);
            mark("rabbit blinks");
            rabbit_still_frame(RABBIT_BLINKING, FADE_RABBIT_X, y + RABBIT_BLINK_DROP, FADE_BLINK_MS);
            rabbit_still_frame(RABBIT_STANDING, FADE_RABBIT_X, y, FADE_HOLD_MS);
        }
        pace_frame(t0);
        y -= FADE_RISE_STEP;
    }

    // Let the screen stay black a moment, then release the tune and the audio device.
    hold_ms(FADE_HOLD_MS);
    stop_music();
}
