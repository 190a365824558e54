// The demo's runtime: shared SDL handles, start-up, quit poll, shutdown and frame pacing.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>

// Swapped calls. The programs around the demo link this same code with some of its SDL calls
// replaced at link time (-Wl,--wrap; each build's list is swap_sdl_calls in CMakeLists.txt):
//   virtual clock (tests, screenshots, capture, timeline report): SDL_GetTicks, SDL_Delay,
//     the high-resolution counter and Mix_GetMusicPosition (not known there). Time moves only
//     by the waits asked for, so every frame lands on its nominal time, the real clock agrees
//     with the score's and nothing is carried.
//   tests: nearly every call, recorded with the state it used; `exit` throws instead of
//     ending the process, so `end` can be checked in place.
//   capture: SDL_RenderPresent reads the frame back into the video; the Mix_ calls are
//     recorded on the clock and mixed to the sample instead of played.
//   benchmark: SDL_Delay returns at once; SDL_GetTicks and SDL_RenderPresent time each frame.
//   sync measurement: the real program, SDL_RenderPresent logging its time and marks.
//   page: SDL_CreateWindow drops full screen (the page scales the canvas) and may choose the
//     software renderer, SDL_RenderPresent yields to the browser and tells the page the marks
//     and the sound's latency, SDL_Delay waits without the browser's 4 ms timer clamp, `exit`
//     tells the page.
// So in those builds SDL_Delay, SDL_RenderPresent and `exit` may throw a C++ exception through
// the scenes to cut a run short: scene code holds nothing across them that it must release.

constexpr int SCREEN_WIDTH = 1280;
constexpr int SCREEN_HEIGHT = 720;
// Every paced frame lasts at least this long.
constexpr uint32_t FRAME_BUDGET_MS = 17;
// Frames that took up to this long are topped up to the budget.
constexpr uint32_t PACE_THRESHOLD_MS = FRAME_BUDGET_MS - 1;

// The one full-screen window, created at start-up.
extern SDL_Window* window;
// The one renderer of `window`.
extern SDL_Renderer* renderer;
// The current font sheet: the large or the small glyph sheet.
extern SDL_Surface* fonts;
// The current picture or sprite sheet of a scene.
extern SDL_Surface* image;
// The one texture the scenes draw from, built from `fonts` or `image`.
extern SDL_Texture* texture;
// The sample or tune that is playing.
extern Mix_Music* music;
// The last event taken from the queue; only `quit_event` touches it.
extern SDL_Event event;
// How long the sound takes from the device SDL opened to the ear (ms), where the platform can
// tell; 0 where it cannot, as on the desktop (a few ms there). The still holds take it off the
// music's place.
extern int32_t audio_latency_ms;

// Takes at most one event; Escape or a mouse-button press ends the demo.
void quit_event();
// Releases every handle, quits SDL and exits with status 0.
[[noreturn]] void end();
// Paints black over everything right of and below the 1280 x 720 area.
void black_rectangles();

// Starts SDL, opens the window and renderer, hides the cursor, waits 3 s.
// Exits with status 1, saying why, when SDL, the window or the renderer cannot start.
void startup();
// From now on Ctrl-C and SIGTERM end the demo as `end` does, with status 130 or 143: at once
// during a wait, else at the next quit poll. Called before SDL starts, which then leaves them be.
void end_on_stop_signals();
// Makes the executable's directory the current one (restored at exit), so
// the relative data paths resolve wherever the demo was started from.
void enter_program_directory();

// Frame skeleton, shared by the scenes' counted loops.
// Step 1: the frame's time stamp (SDL_GetTicks), noted on the score's clock and the real one.
uint32_t stamp_frame();
// Time stamp, quit poll and clear; returns the time stamp.
uint32_t begin_frame();
// Letterbox, present and pacing against the time stamp `t0`.
void end_frame(uint32_t t0);
// Letterbox and present, for still and fixed-delay frames.
void show_frame();
// Step 7 of the skeleton: waits for the rest of the 17 ms budget.
void pace_frame(uint32_t t0);

// Waits. Each counts its nominal length on the score's clock; on the real clock, what a wait
// oversleeps is taken off the next ones, so frames last 17 ms in the mean.
// A pause or a fixed-delay frame's wait.
void wait_ms(uint32_t ms);
// A still picture held while the music plays: shortened by as much as the music is heard ahead
// of the score, or lengthened by as much as it is behind, between 0 and twice `ms`, so the
// picture meets the music again. The music's place is SDL_mixer's (Mix_GetMusicPosition) less
// what it has mixed ahead, or else the time since its Mix_PlayMusic. On the virtual clock the
// two agree and it lasts `ms`.
void hold_ms(uint32_t ms);

// The score's clock: where the virtual clock would stand (ms since start-up), every wait at
// its nominal length whatever the real clock did. The music is scored to it.
uint32_t score_ms();
// A moment the music is scored to, shown by the next present: a scene's start or a hit within
// it. Marking only records it.
void mark(const char* moment);
struct Mark {
    const char* moment;
    uint32_t score_ms;  // the score's clock at the present that shows it
};
constexpr int MARKS_PER_PRESENT = 4;
// The moments the present being made shows; programs around the demo read them from their
// SDL_RenderPresent. Sets `marks` to them and returns how many.
int presented_marks(const Mark** marks);

// Replacement rule for the shared handles: free what the handle holds,
// then store the new content.
void replace_surface(SDL_Surface*& handle, const char* bmp_path);
void replace_texture(SDL_Surface* source);
// Sets `key` as the transparent colour of `surface`, when it loaded.
void set_colour_key(SDL_Surface* surface, Uint8 r, Uint8 g, Uint8 b);
// Opens the audio device, loads `path` into `music` and plays it `loops` times.
void start_music(const char* path, int loops);
// Frees `music` and closes the audio device.
void stop_music();
