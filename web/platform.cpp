// The browser build's platform glue: a window the page can scale, presents that yield to the
// browser and report to the page (which may halt the demo there), waits the browser does not
// stretch, the sound's latency told to the runtime, and the exit reported to the page.
#include <SDL.h>
#include <SDL_mixer.h>

#include <emscripten.h>

#include "runtime.h"

extern "C" {
SDL_Window* __real_SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags);
void __real_SDL_RenderPresent(SDL_Renderer* renderer);
[[noreturn]] void __real_exit(int status);
}

namespace {

// Counts the present on the page; true when the page wants the demo halted after it.
EM_JS(int, page_presented, (), { return Module["onPresent"]() ? 1 : 0; });
// A moment of the score the present being made shows, for the page's report.
EM_JS(void, page_marked, (const char* moment, unsigned score_ms), {
    Module["onMark"](UTF8ToString(moment), score_ms);
});
EM_JS(void, page_exiting, (int status), { Module["onDemoExit"](status); });
// True when the page found the browser's WebGL to be drawn in software and SDL's own software
// renderer keeps the pace better there.
EM_JS(int, page_wants_software_renderer, (), { return Module["softwareRenderer"] ? 1 : 0; });
// A promise that never settles: the demo stays here, its last picture on the canvas.
EM_ASYNC_JS(void, wait_forever, (), { await new Promise(() => {}); });

// Every yield and wait starts from a MessageChannel message, not a timer: browsers stretch a
// timer set from within a timer's callback to 4 ms at least once such calls nest, and a
// message costs hundredths of a millisecond. The page hears how long each yield took.
EM_ASYNC_JS(void, page_yield, (), {
    const channel = Module.yieldChannel || (Module.yieldChannel = new MessageChannel());
    const start = performance.now();
    await new Promise((resolve) => {
        channel.port1.onmessage = resolve;
        channel.port2.postMessage(null);
    });
    Module["onYield"](performance.now() - start);
});

// Sleeps `ms`: a timer set from a message, so that it is not stretched. Whatever it runs over
// or under, the runtime measures on its own clock and makes up at the next wait.
EM_ASYNC_JS(void, page_sleep, (double ms), {
    const channel = Module.yieldChannel || (Module.yieldChannel = new MessageChannel());
    await new Promise((resolve) => {
        channel.port1.onmessage = resolve;
        channel.port2.postMessage(null);
    });
    await new Promise((resolve) => setTimeout(resolve, ms));
});

// From the device SDL opened to the ear, as far as the page can ask cheaply: the context's base
// latency and the Web Audio script processor SDL plays through, which holds two of its buffers
// (ms; 0 before the audio runs). Asked once a context runs, and never its outputLatency: that
// getter stalled a busy Firefox page for seconds.
EM_JS(int, page_audio_latency_ms, (), {
    const sdl = Module["SDL2"];
    const context = sdl && sdl.audioContext;
    const node = sdl && sdl.audio && sdl.audio.scriptProcessorNode;
    if (!context || !node || context.state !== "running") {
        return 0;
    }
    if (context.demoLatencyMs === undefined) {
        const seconds = (context.baseLatency || 0) + 2 * node.bufferSize / context.sampleRate;
        context.demoLatencyMs = Math.round(1000 * seconds);
    }
    return context.demoLatencyMs;
});

}  // namespace

// A full-screen SDL window takes the browser screen's size as its drawing buffer (800 x 600 in
// headless Chromium) and crops the demo; as a plain 1280 x 720 window it keeps every pixel, and
// the page scales the canvas and asks the browser for full screen itself. The renderer comes
// next, so this is where the page's choice of renderer is set.
extern "C" SDL_Window* __wrap_SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
    if (page_wants_software_renderer() != 0) {
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    }
    return __real_SDL_CreateWindow(title, x, y, w, h, flags & ~SDL_WINDOW_FULLSCREEN);
}

// The browser shows a frame and delivers input only while the demo yields; a frame that ran
// over its budget has no wait of its own, so every present gives the browser its turn.
extern "C" void __wrap_SDL_RenderPresent(SDL_Renderer* renderer) {
    __real_SDL_RenderPresent(renderer);
    const Mark* marks = nullptr;
    const int count = presented_marks(&marks);
    for (int i = 0; i < count; ++i) {
        page_marked(marks[i].moment, marks[i].score_ms);
    }
    if (page_presented() != 0) {
        Mix_PauseMusic();
        wait_forever();
    }
    audio_latency_ms = page_audio_latency_ms();
    page_yield();
}

extern "C" void __wrap_SDL_Delay(Uint32 ms) {
    page_sleep(ms);
}

extern "C" void __wrap_exit(int status) {
    page_exiting(status);
    __real_exit(status);
}
