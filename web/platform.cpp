// The browser build's platform glue: a window the page can scale, presents that yield to the
// browser and report to the page (which may halt the demo there), and the exit reported to it.
#include <SDL.h>
#include <SDL_mixer.h>

#include <emscripten.h>

extern "C" {
SDL_Window* __real_SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags);
void __real_SDL_RenderPresent(SDL_Renderer* renderer);
[[noreturn]] void __real_exit(int status);
}

namespace {

// Counts the present on the page; true when the page wants the demo halted after it.
EM_JS(int, page_presented, (), { return Module["onPresent"]() ? 1 : 0; });
EM_JS(void, page_exiting, (int status), { Module["onDemoExit"](status); });
// A promise that never settles: the demo stays here, its last picture on the canvas.
EM_ASYNC_JS(void, wait_forever, (), { await new Promise(() => {}); });

}  // namespace

// A full-screen SDL window takes the browser screen's size as its drawing buffer (800 x 600 in
// headless Chromium) and crops the demo; as a plain 1280 x 720 window it keeps every pixel, and
// the page scales the canvas and asks the browser for full screen itself.
extern "C" SDL_Window* __wrap_SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
    return __real_SDL_CreateWindow(title, x, y, w, h, flags & ~SDL_WINDOW_FULLSCREEN);
}

// The browser shows a frame and delivers input only while the demo sleeps; a frame that ran
// over its budget has no wait of its own, so every present gives the browser its turn.
extern "C" void __wrap_SDL_RenderPresent(SDL_Renderer* renderer) {
    __real_SDL_RenderPresent(renderer);
    if (page_presented() != 0) {
        Mix_PauseMusic();
        wait_forever();
    }
    emscripten_sleep(0);
}

extern "C" void __wrap_exit(int status) {
    page_exiting(status);
    __real_exit(status);
}
