// The closing sequence: second sphere scene, end credits and closing fade.
#include "closing.h"

#include <SDL.h>

#include "glyphs.h"
#include "runtime.h"

void sphere_figure_scene() {
}

// ---------------------------------------------------------------------------

void credits_scene() {
}

// ---------------------------------------------------------------------------

namespace {

// Rabbit sheet cells, each 300 x 320, drawn unscaled at x = 460.
constexpr SDL_Rect FADE_STANDING = {350, 20, 300, 320};
constexpr SDL_Rect FADE_BLINKING = {350, 370, 300, 320};
constexpr int32_t FADE_RABBIT_X = 460;
constexpr int32_t FADE_RABBIT_W = 300;
constexpr int32_t FADE_RABBIT_H = 320;
// The rise starts below the screen and ends with the blink at y = 160.
constexpr int32_t FADE_RISE_START = SCREEN_HEIGHT;
constexpr int32_t FADE_BLINK_Y = 160;
constexpr int32_t FADE_RISE_STEP = 2;
// Once the rise is over, each frame moves this much more.
constexpr int32_t FADE_FLIGHT_STEP = 30;
constexpr int32_t FADE_LAST_Y = -999;
constexpr int32_t FADE_BLINK_DROP = 2;
constexpr Uint32 FADE_HOLD_MS = 500;
constexpr Uint32 FADE_BLINK_MS = 250;
// The volume falls by this much per frame, from full.
constexpr double FADE_VOLUME_STEP = 0.4;
constexpr float FADE_FULL_VOLUME = 128;

void draw_fading_rabbit(const SDL_Rect& cell, int32_t y) {
    const SDL_Rect destination = {FADE_RABBIT_X, y, FADE_RABBIT_W, FADE_RABBIT_H};
    SDL_RenderCopy(renderer, texture, &cell, &destination);
}

// One fixed-delay frame of the blink: clear, the cell, letterbox, present, wait.
void fade_blink_frame(const SDL_Rect& cell, int32_t y, Uint32 delay_ms) {
    SDL_RenderClear(renderer);
    draw_fading_rabbit(cell, y);
    show_frame();
    SDL_Delay(delay_ms);
}

}  // namespace

void closing_fade_scene() {
    float v = 0;
    replace_surface(image, "gfx/rabbit.bmp");
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
        draw_fading_rabbit(FADE_STANDING, y);
        show_frame();
        if (y == FADE_BLINK_Y) {
            // Blink where the rise ends, without reading input.
            SDL_Delay(FADE_HOLD_MS);
            fade_blink_frame(FADE_BLINKING, y + FADE_BLINK_DROP, FADE_BLINK_MS);
            fade_blink_frame(FADE_STANDING, y, FADE_HOLD_MS);
        }
        pace_frame(t0);
        y -= FADE_RISE_STEP;
    }

    // Let the screen stay black a moment, then release the tune and the audio device.
    SDL_Delay(FADE_HOLD_MS);
    stop_music();
}
