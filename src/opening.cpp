// The opening sequence: countdown, intro lines, title and the rabbit.
#include "opening.h"

#include <SDL.h>

#include <cstdint>

#include "glyphs.h"
#include "runtime.h"

namespace {

// Rabbit sheet cells, each 300 x 320, drawn unscaled.
constexpr SDL_Rect RABBIT_WALKING = {30, 20, 300, 320};
constexpr SDL_Rect RABBIT_STANDING = {350, 20, 300, 320};
constexpr SDL_Rect RABBIT_BLINKING = {350, 370, 300, 320};
constexpr int RABBIT_W = 300;
constexpr int RABBIT_H = 320;
constexpr int RABBIT_TOP = 180;
// The walk to the left passes this x once and poses there.
constexpr int32_t RABBIT_POSE_X = 520;
// In the pose the standing cell sits this far left of the walking one.
constexpr int32_t RABBIT_POSE_SHIFT = 71;
constexpr int32_t RABBIT_BLINK_DROP = 2;
constexpr int32_t RABBIT_WALK_STEP = 20;
constexpr int32_t RABBIT_RUN_STEP = 40;
constexpr int32_t RABBIT_WALK_END = -999;
constexpr int32_t RABBIT_RUN_START = -1000;
constexpr int32_t RABBIT_RUN_END = 1320;
constexpr Uint32 RABBIT_PAUSE_MS = 500;
constexpr Uint32 RABBIT_BLINK_MS = 250;

void draw_rabbit(const SDL_Rect& cell, int32_t x, int32_t y) {
    const SDL_Rect destination = {x, y, RABBIT_W, RABBIT_H};
    SDL_RenderCopy(renderer, texture, &cell, &destination);
}

// One fixed-delay frame of the pose: clear, the cell, letterbox, present, wait.
void rabbit_pose_frame(const SDL_Rect& cell, int32_t x, int32_t y, Uint32 delay_ms) {
    SDL_RenderClear(renderer);
    draw_rabbit(cell, x, y);
    show_frame();
    SDL_Delay(delay_ms);
}

}  // namespace

void countdown_scene() {
}

// ---------------------------------------------------------------------------

void intro_scene() {
}

// ---------------------------------------------------------------------------

void title_scene() {
}

// ---------------------------------------------------------------------------

void rabbit_scene() {
    replace_surface(image, "gfx/rabbit.bmp");
    replace_texture(image);
    SDL_Delay(RABBIT_PAUSE_MS);

    // Walk in from the right and out at the left, posing once on the way.
    for (int32_t x = SCREEN_WIDTH; x >= RABBIT_WALK_END; x -= RABBIT_WALK_STEP) {
        const uint32_t t0 = begin_frame();
        draw_rabbit(RABBIT_WALKING, x, RABBIT_TOP);
        show_frame();
        if (x == RABBIT_POSE_X) {
            const int32_t pose_x = x - RABBIT_POSE_SHIFT;
            SDL_Delay(RABBIT_PAUSE_MS);
            rabbit_pose_frame(RABBIT_STANDING, pose_x, RABBIT_TOP, RABBIT_PAUSE_MS);
            rabbit_pose_frame(RABBIT_BLINKING, pose_x, RABBIT_TOP + RABBIT_BLINK_DROP, RABBIT_BLINK_MS);
            rabbit_pose_frame(RABBIT_STANDING, pose_x, RABBIT_TOP, RABBIT_PAUSE_MS);
            rabbit_pose_frame(RABBIT_WALKING, x, RABBIT_TOP, RABBIT_PAUSE_MS);
        }
        pace_frame(t0);
    }

    // Run back across the whole screen at twice the speed, standing.
    for (int32_t x = RABBIT_RUN_START; x <= RABBIT_RUN_END; x += RABBIT_RUN_STEP) {
        const uint32_t t0 = begin_frame();
        draw_rabbit(RABBIT_STANDING, x, RABBIT_TOP);
        end_frame(t0);
    }
    SDL_Delay(RABBIT_PAUSE_MS);
}
