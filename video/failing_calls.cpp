// Preloaded into the capture by options_test.sh: the library call that CAPTURE_TEST_FAIL names
// fails, as it might on a machine short of memory or devices; every other call goes through.
#include <SDL.h>
#include <SDL_mixer.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

namespace {

bool failing(const char* name) {
    const char* chosen = std::getenv("CAPTURE_TEST_FAIL");
    return chosen != nullptr && std::strcmp(chosen, name) == 0;
}

template <typename Function>
Function* real(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize) {
    if (failing("Mix_OpenAudio")) {
        return SDL_SetError("made to fail");
    }
    return real<decltype(Mix_OpenAudio)>("Mix_OpenAudio")(frequency, format, channels, chunksize);
}

int SDL_RenderReadPixels(SDL_Renderer* renderer, const SDL_Rect* rect, Uint32 format, void* pixels, int pitch) {
    if (failing("SDL_RenderReadPixels")) {
        return SDL_SetError("made to fail");
    }
    return real<decltype(SDL_RenderReadPixels)>("SDL_RenderReadPixels")(renderer, rect, format, pixels, pitch);
}

// Only the sound files are opened for reading.
int avformat_open_input(AVFormatContext** context, const char* url, const AVInputFormat* format,
                        AVDictionary** options) {
    if (failing("avformat_open_input")) {
        return AVERROR_INVALIDDATA;
    }
    return real<decltype(avformat_open_input)>("avformat_open_input")(context, url, format, options);
}

}  // extern "C"
