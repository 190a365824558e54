// The whole 1280 x 720 frame, read back from a render target.
#include "screen_capture.h"

#include "runtime.h"

ScreenCapture::ScreenCapture() {
    target_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                SCREEN_WIDTH, SCREEN_HEIGHT);
    SDL_SetRenderTarget(renderer, target_);
}

ScreenCapture::~ScreenCapture() {
    SDL_SetRenderTarget(renderer, nullptr);
    SDL_DestroyTexture(target_);
}

SDL_Color ScreenCapture::pixel(int x, int y) const {
    const SDL_Rect one = {x, y, 1, 1};
    Uint32 argb = 0;
    SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &argb, sizeof argb);
    return {Uint8(argb >> 16), Uint8(argb >> 8), Uint8(argb), 255};
}

bool ScreenCapture::read(Uint32 format, void* pixels, int pitch) const {
    return SDL_RenderReadPixels(renderer, nullptr, format, pixels, pitch) == 0;
}
