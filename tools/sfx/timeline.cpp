// Plays one cycle of the timeline on the virtual clock and prints the moments the main tune
// is scored to, in milliseconds from the tune's Mix_PlayMusic: the first present of every
// scene it plays under and the hits the scenes mark, then the closing fade's last volume step
// and audio close. tools/sfx/generate reads this; so does the sync test.
//
//   veltronaquis_timeline            one line per moment: "MS<tab>KIND<tab>NAME"
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "runtime.h"
#include "timeline.h"
#include "virtual_clock.h"

namespace {

struct Moment {
    uint32_t ms;  // virtual clock
    const char* kind;
    std::string name;
};

std::vector<Moment> moments;
// Each moment once, where it first comes: the rabbit's second walk is scored as music of its
// own, not as its first one again.
std::set<std::string> seen;
bool tune_started = false;
uint32_t tune_ms = 0;
bool faded_out = false;

bool is_scene(const char* moment) {
    return std::any_of(std::begin(TIMELINE), std::end(TIMELINE),
                       [moment](const TimelineStep& step) { return std::strcmp(step.name, moment) == 0; });
}

}  // namespace

extern "C" {

void __real_SDL_RenderPresent(SDL_Renderer* r);
int __real_Mix_PlayMusic(Mix_Music* m, int loops);
int __real_Mix_VolumeMusic(int volume);
void __real_Mix_CloseAudio(void);

void __wrap_SDL_RenderPresent(SDL_Renderer* r) {
    __real_SDL_RenderPresent(r);
    const Mark* marks = nullptr;
    const int count = presented_marks(&marks);
    for (int i = 0; i < count; ++i) {
        if (seen.insert(marks[i].moment).second) {
            moments.push_back({marks[i].score_ms, is_scene(marks[i].moment) ? "scene" : "hit", marks[i].moment});
        }
    }
}

// The tune is the music that loops; the countdown plays its samples once.
int __wrap_Mix_PlayMusic(Mix_Music* m, int loops) {
    if (loops == -1 && !tune_started) {
        tune_started = true;
        tune_ms = headless::now_ms();
    }
    return __real_Mix_PlayMusic(m, loops);
}

int __wrap_Mix_VolumeMusic(int volume) {
    if (volume == 0 && !faded_out) {
        faded_out = true;
        moments.push_back({headless::now_ms(), "fade", "volume reaches 0"});
    }
    return __real_Mix_VolumeMusic(volume);
}

void __wrap_Mix_CloseAudio(void) {
    if (faded_out) {
        moments.push_back({headless::now_ms(), "fade", "audio closes"});
    }
    __real_Mix_CloseAudio();
}

}  // extern "C"

int main(int, char**) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    enter_program_directory();
    startup();
    // Nothing here looks at the picture: a one-pixel target, which SDL clips nearly every draw
    // against, plays the cycle in about a second.
    SDL_SetRenderTarget(renderer, SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, 1, 1));
    timeline_cycle();

    if (!tune_started) {
        std::fprintf(stderr, "veltronaquis_timeline: the tune was never played\n");
        return 1;
    }
    std::stable_sort(moments.begin(), moments.end(), [](const Moment& a, const Moment& b) { return a.ms < b.ms; });
    for (const Moment& m : moments) {
        if (m.ms >= tune_ms) {
            std::printf("%u\t%s\t%s\n", m.ms - tune_ms, m.kind, m.name.c_str());
        }
    }
    return 0;
}
