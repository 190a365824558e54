// The whole 1280 x 720 frame, read back: the demo renders into a target texture of that
// size instead of the dummy window (which is 1024 x 768).
#pragma once

#include <SDL.h>

// While one exists, everything the demo draws goes into the target.
class ScreenCapture {
public:
    ScreenCapture();
    ~ScreenCapture();
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;
    // The pixel as (r, g, b, 255).
    SDL_Color pixel(int x, int y) const;
    // The whole frame in `format`, rows `pitch` bytes apart; false, with SDL_GetError set,
    // when SDL cannot read it (`pixels` then holds nothing new).
    bool read(Uint32 format, void* pixels, int pitch) const;

private:
    SDL_Texture* target_;
};
