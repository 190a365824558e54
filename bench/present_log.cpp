// The demo as it plays for real, with each present logged: its time and the moments of the
// score it shows. bench/sync sets these against the sound a PulseAudio sink played.
//   VELTRONAQUIS_PRESENT_LOG=FILE veltronaquis_sync
// writes one line per present: "EPOCH_MS<tab>PRESENT[<tab>MOMENT@SCORE_MS]..."
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "runtime.h"

extern "C" {

void __real_SDL_RenderPresent(SDL_Renderer* r);

void __wrap_SDL_RenderPresent(SDL_Renderer* r) {
    __real_SDL_RenderPresent(r);
    static FILE* log = nullptr;
    static unsigned long long presents = 0;
    if (log == nullptr) {
        const char* path = std::getenv("VELTRONAQUIS_PRESENT_LOG");
        log = std::fopen(path != nullptr ? path : "presents.log", "w");
        if (log == nullptr) {
            std::perror("present log");
            std::exit(2);
        }
        // Whole lines, so the driver can read how far the demo has come while it plays.
        std::setvbuf(log, nullptr, _IOLBF, 1 << 16);
    }
    // The wall clock, which the recording of the sound is timed on too.
    const double epoch_ms =
        std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::fprintf(log, "%.3f\t%llu", epoch_ms, ++presents);
    const Mark* marks = nullptr;
    const int count = presented_marks(&marks);
    for (int i = 0; i < count; ++i) {
        std::fprintf(log, "\t%s@%u", marks[i].moment, marks[i].score_ms);
    }
    std::fputc('\n', log);
}

}  // extern "C"
