// The demo's runtime: start-up, shared handles, quit poll, shutdown and frame pacing.
#include "runtime.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include <unistd.h>

SDL_Window* window = nullptr;
SDL_Renderer* renderer = nullptr;
SDL_Surface* fonts = nullptr;
SDL_Surface* image = nullptr;
SDL_Texture* texture = nullptr;
Mix_Music* music = nullptr;
SDL_Event event;
int32_t audio_latency_ms = 0;

namespace {

constexpr Uint32 SDL_SUBSYSTEMS = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO;
constexpr Uint32 STARTUP_WAIT_MS = 3000;
// Accelerated, tied to the display refresh.
constexpr Uint32 RENDERER_FLAGS = SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC;

constexpr int AUDIO_FREQUENCY_HZ = 44100;
constexpr Uint16 AUDIO_SAMPLE_FORMAT = AUDIO_S16MSB;
constexpr int AUDIO_CHANNELS = 2;
constexpr int AUDIO_CHUNK_FRAMES = 1024;
// SDL_mixer has mixed this much of the music ahead of what the device plays (ms).
constexpr double AUDIO_CHUNK_MS = 1000.0 * AUDIO_CHUNK_FRAMES / AUDIO_FREQUENCY_HZ;

// The letterbox: right of the 1280 x 720 area, and below it including the corner.
constexpr SDL_Rect RIGHT_BAND = {SCREEN_WIDTH, 0, 4000, SCREEN_HEIGHT};
constexpr SDL_Rect BOTTOM_BAND = {0, SCREEN_HEIGHT, 5280, 4000};

// Exit status after Ctrl-C or SIGTERM, as a shell reports a program the signal ended.
constexpr int SIGNAL_STATUS_BASE = 128;

// The signal that asked the demo to stop, 0 until one came.
volatile std::sig_atomic_t stop_signal = 0;
// Set while the demo sleeps in SDL_Delay, which leaves nothing of SDL's half done.
volatile std::sig_atomic_t waiting = 0;
// The thread that plays the demo; a signal may be delivered to another one.
std::thread::id demo_thread;

// ---- Time: the score's clock, and the real clock kept to it ----

// The score's clock (ms since start-up): every wait at the length the timeline gives it.
uint32_t score_now_ms = 0;
// Where the score stood at the current frame's time stamp.
uint32_t frame_start_score_ms = 0;
// The real clock at the current frame's time stamp (ms).
double frame_start_real_ms = 0.0;
// How far the real clock has run ahead of the score through late waits (ms), paid back whole
// milliseconds at a time by shortening the next wait. Kept within one frame's budget either
// way: a stall longer than that (a machine too busy to keep up) is not caught up.
double carry_ms = 0.0;
constexpr double CARRY_LIMIT_MS = FRAME_BUDGET_MS;
// The music playing, if any: where the real clock and the score stood at its Mix_PlayMusic.
bool music_playing = false;
double music_start_real_ms = 0.0;
uint32_t music_start_score_ms = 0;

// The moments marked for the next present, stamped with the score's time when it is made.
Mark pending_marks[MARKS_PER_PRESENT];
int pending_mark_count = 0;

double real_now_ms() {
    static const double counts_per_ms = static_cast<double>(SDL_GetPerformanceFrequency()) / 1000.0;
    return static_cast<double>(SDL_GetPerformanceCounter()) / counts_per_ms;
}

// Where the music playing is heard now (ms from its start). SDL_mixer's place in it follows the
// sound device's own clock, which may run a little fast or slow against ours (the test rig's
// null sink ran 0.02% fast); it has mixed one chunk ahead of the device. Where SDL_mixer cannot
// tell (no position for that format, or the virtual clock) the time since Mix_PlayMusic serves.
double music_heard_ms() {
    const double position_s = Mix_GetMusicPosition(music);
    if (position_s >= 0.0) {
        return 1000.0 * position_s - AUDIO_CHUNK_MS - audio_latency_ms;
    }
    return real_now_ms() - music_start_real_ms - audio_latency_ms;
}

void add_carry(double late_ms) {
    carry_ms = std::clamp(carry_ms + late_ms, -CARRY_LIMIT_MS, CARRY_LIMIT_MS);
}

// `ms` less the whole milliseconds the real clock is ahead (or plus those it is behind).
uint32_t less_carry(uint32_t ms) {
    return static_cast<uint32_t>(std::max(0.0, static_cast<double>(ms) - std::trunc(carry_ms)));
}

// The current directory the demo was started in, put back at exit.
std::string starting_directory;

void restore_starting_directory() {
    if (!starting_directory.empty() && chdir(starting_directory.c_str()) != 0) {
        starting_directory.clear();
    }
}

// Releases every handle, quits SDL and exits with `status`.
[[noreturn]] void shut_down(int status) {
    if (music != nullptr) {
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
        texture = nullptr;
    }
    if (image != nullptr) {
        SDL_FreeSurface(image);
        image = nullptr;
    }
    if (fonts != nullptr) {
        SDL_FreeSurface(fonts);
        fonts = nullptr;
    }
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    SDL_Quit();
    std::exit(status);
}

void end_if_stopped() {
    if (stop_signal != 0) {
        shut_down(SIGNAL_STATUS_BASE + stop_signal);
    }
}

// Asleep in a wait the demo can shut down at once, from here; anywhere else it does so at
// its next quit poll or wait, a frame later at most.
void on_stop_signal(int signal) {
    stop_signal = signal;
    if (waiting != 0 && std::this_thread::get_id() == demo_thread) {
        waiting = 0;
        end_if_stopped();
    }
}

// Logs why start-up failed, with SDL's reason, quits what had started and exits with status 1.
[[noreturn]] void startup_failed(const char* format, bool sdl_started) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, format, SDL_GetError());
    if (window != nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (sdl_started) {
        SDL_Quit();
    }
    std::exit(1);
}

}  // namespace

void end_on_stop_signals() {
    demo_thread = std::this_thread::get_id();
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
}

namespace {

// The one place the demo sleeps; returns how long it really slept (ms).
double sleep_ms(uint32_t ms) {
    end_if_stopped();
    const double before_ms = real_now_ms();
    waiting = 1;
    SDL_Delay(ms);
    waiting = 0;
    end_if_stopped();
    return real_now_ms() - before_ms;
}

}  // namespace

void wait_ms(uint32_t ms) {
    score_now_ms += ms;
    const uint32_t ask_ms = less_carry(ms);
    add_carry(sleep_ms(ask_ms) - ms);
}

void hold_ms(uint32_t ms) {
    if (!music_playing) {
        wait_ms(ms);
        return;
    }
    // > 0: the music is heard ahead of where the score puts the picture.
    const double ahead_ms = music_heard_ms() - static_cast<double>(score_now_ms - music_start_score_ms);
    score_now_ms += ms;
    const double wanted_ms = std::clamp(static_cast<double>(ms) - ahead_ms, 0.0, 2.0 * ms);
    const auto ask_ms = static_cast<uint32_t>(std::lround(wanted_ms));
    // The picture now meets the music: only this wait's own lateness is left to carry.
    carry_ms = 0.0;
    add_carry(sleep_ms(ask_ms) - ask_ms);
}

uint32_t score_ms() {
    return score_now_ms;
}

void mark(const char* moment) {
    if (pending_mark_count < MARKS_PER_PRESENT) {
        pending_marks[pending_mark_count++] = {moment, 0};
    }
}

int presented_marks(const Mark** marks) {
    *marks = pending_marks;
    return pending_mark_count;
}

void enter_program_directory() {
    char* base = SDL_GetBasePath();
    if (base == nullptr) {
        return;
    }
    char* here = getcwd(nullptr, 0);
    if (here != nullptr && chdir(base) == 0) {
        starting_directory = here;
        std::atexit(restore_starting_directory);
    }
    std::free(here);
    SDL_free(base);
}

void quit_event() {
    end_if_stopped();
    if (SDL_PollEvent(&event) == 0) {
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        if (event.key.keysym.sym == SDLK_ESCAPE) {
            end();
        }
        return;
    }
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        end();
    }
}

void end() {
    shut_down(0);
}

void black_rectangles() {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_RenderFillRect(renderer, &RIGHT_BAND);
    SDL_RenderFillRect(renderer, &BOTTOM_BAND);
}

uint32_t stamp_frame() {
    frame_start_score_ms = score_now_ms;
    frame_start_real_ms = real_now_ms();
    return SDL_GetTicks();
}

void pace_frame(uint32_t t0) {
    // On the score the frame lasts the budget, or its fixed-delay frames if they are longer.
    const uint32_t score_elapsed_ms = score_now_ms - frame_start_score_ms;
    if (score_elapsed_ms <= PACE_THRESHOLD_MS) {
        score_now_ms += FRAME_BUDGET_MS - score_elapsed_ms;
    }
    const uint32_t elapsed_ms = SDL_GetTicks() - t0;
    if (elapsed_ms > PACE_THRESHOLD_MS) {
        // Over the budget: no wait, and nothing of it caught up later.
        return;
    }
    const uint32_t ask_ms = less_carry(FRAME_BUDGET_MS - elapsed_ms);
    sleep_ms(ask_ms);
    // Measured whole, from its time stamp: what the millisecond ticks missed is carried too.
    add_carry(real_now_ms() - frame_start_real_ms - FRAME_BUDGET_MS);
}

uint32_t begin_frame() {
    const uint32_t t0 = stamp_frame();
    quit_event();
    SDL_RenderClear(renderer);
    return t0;
}

void show_frame() {
    black_rectangles();
    for (int i = 0; i < pending_mark_count; ++i) {
        pending_marks[i].score_ms = score_now_ms;
    }
    SDL_RenderPresent(renderer);
    pending_mark_count = 0;
}

void end_frame(uint32_t t0) {
    show_frame();
    pace_frame(t0);
}

void replace_surface(SDL_Surface*& handle, const char* bmp_path) {
    if (handle != nullptr) {
        SDL_FreeSurface(handle);
    }
    handle = SDL_LoadBMP_RW(SDL_RWFromFile(bmp_path, "rb"), 1);
}

void replace_texture(SDL_Surface* source) {
    if (texture != nullptr) {
        SDL_DestroyTexture(texture);
    }
    texture = SDL_CreateTextureFromSurface(renderer, source);
}

void set_colour_key(SDL_Surface* surface, Uint8 r, Uint8 g, Uint8 b) {
    // A file that failed to load leaves no pixel format to build the key from.
    if (surface != nullptr) {
        SDL_SetColorKey(surface, SDL_TRUE, SDL_MapRGB(surface->format, r, g, b));
    }
}

void start_music(const char* path, int loops) {
    Mix_OpenAudio(AUDIO_FREQUENCY_HZ, AUDIO_SAMPLE_FORMAT, AUDIO_CHANNELS, AUDIO_CHUNK_FRAMES);
    music = Mix_LoadMUS(path);
    Mix_PlayMusic(music, loops);
    music_playing = true;
    music_start_real_ms = real_now_ms();
    music_start_score_ms = score_now_ms;
}

void stop_music() {
    music_playing = false;
    if (music != nullptr) {
        Mix_FreeMusic(music);
        music = nullptr;
    }
    Mix_CloseAudio();
}

void startup() {
    score_now_ms = 0;
    carry_ms = 0.0;
    music_playing = false;
    pending_mark_count = 0;
    if (SDL_Init(SDL_SUBSYSTEMS) != 0) {
        startup_failed("Couldn't initialize SDL2 : %s\n", false);
    }
    if (window != nullptr) {
        SDL_DestroyWindow(window);
    }
    window = SDL_CreateWindow("VELTRONAQUIS", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              SCREEN_WIDTH, SCREEN_HEIGHT, SDL_WINDOW_FULLSCREEN);
    if (window == nullptr) {
        startup_failed("Couldn't create the window : %s\n", true);
    }
    SDL_DisplayMode mode = {0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, nullptr};
    SDL_SetWindowDisplayMode(window, &mode);
    if (renderer != nullptr) {
        SDL_DestroyRenderer(renderer);
    }
    renderer = SDL_CreateRenderer(window, -1, RENDERER_FLAGS);
    if (renderer == nullptr) {
        startup_failed("Couldn't create the renderer : %s\n", true);
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0);
    SDL_ShowCursor(SDL_DISABLE);
    wait_ms(STARTUP_WAIT_MS);
}
