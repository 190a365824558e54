// Test harness: the demo's SDL calls, wrapped at link time, recorded against a virtual clock.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include "screen_capture.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace harness {

enum class Op : uint8_t {
    // Start-up and shutdown.
    Init, Quit, LogError, CreateWindow, DestroyWindow, SetDisplayMode, CreateRenderer,
    DestroyRenderer, ShowCursor, Exit,
    // Time and input.
    Delay, Poll,
    // Drawing: kept per frame, see Frame.
    DrawColor, Clear, Copy, CopyEx, Line, FillRect, ColorMod, Present,
    // Resources.
    OpenFile, LoadBmp, LoadImage, FreeSurface, ColorKey, CreateTexture, DestroyTexture,
    // Music.
    OpenAudio, CloseAudio, LoadMusic, PlayMusic, FreeMusic, VolumeMusic,
};

// One recorded call and the state it used.
struct Call {
    Op op;
    uint64_t seq = 0;        // order of the call among all recorded calls
    uint64_t frame = 0;      // presents made before this call
    uint32_t time_ms = 0;    // virtual clock when it was made
    int32_t v[6] = {};       // plain arguments: colour, line ends, delay, flags, volume ...
                             // (Mix_OpenAudio: v[4] is its result)
    SDL_Rect src = {};       // source rectangle of a copy
    SDL_Rect dst = {};       // destination of a copy or fill
    bool has_src = false;
    bool has_dst = false;
    const void* handle = nullptr;  // texture, surface or music used or produced
    const char* name = "";   // file the handle came from, window title or log format
    double angle = 0.0;
    int flip = 0;
    SDL_Color draw_colour = {};  // draw colour in force (Line, Clear, FillRect)
    SDL_Color colour_mod = {255, 255, 255, 255};  // texture colour mod in force (copies)
};

// One presented frame: the draw calls since the previous present.
struct Frame {
    uint32_t start_ms = 0;   // virtual clock at the first call of the frame
    uint32_t polls = 0;      // quit polls made since the previous present
    uint32_t clears = 0;
    uint32_t copies = 0;     // RenderCopy and RenderCopyEx
    uint32_t lines = 0;
    std::vector<Call> draws; // filled only while draws are kept
};

// Thrown by the wrapped `exit`, so `end` can be tested in-process.
struct Exit {
    int status;
};

// Back to a clean slate: empty logs, clock 0, no queued events, default options.
void reset();
// Empties the logs and frames but keeps the clock, events and options.
void clear_logs();

// Keep each frame's draw calls (on by default; off for whole cycles).
void keep_draws(bool on);
// Forward the render calls to SDL (on by default; off to run cycles fast).
void draw_for_real(bool on);
// Make every texture from a one-pixel stand-in, for runs that never draw for real: the
// backdrop rebuilds its glyph texture every frame, and converting the sheet is the slow part.
void stand_in_textures(bool on);
// Virtual milliseconds each present takes.
void set_present_cost(uint32_t ms);
// SDL_CreateWindow fails, as where no window can be made.
void fail_window(bool on);
// Values the next calls of SDL_GetTicks return, before the clock takes over again.
void script_ticks(std::vector<uint32_t> ticks);
// Called at every present with the frame just finished.
void on_present(std::function<void(const Frame&)> hook);

// The event becomes readable at the poll with this 0-based index, or later.
void queue_event_at_poll(uint64_t poll_index, const SDL_Event& e);
// The event becomes readable at the first poll at or after this time.
void queue_event_at_time(uint32_t ms, const SDL_Event& e);

SDL_Event key_down(SDL_Keycode key);
SDL_Event key_up(SDL_Keycode key);
SDL_Event mouse_down(Uint8 button);
SDL_Event mouse_up(Uint8 button);
SDL_Event mouse_motion();
SDL_Event window_close();

uint32_t now_ms();
uint64_t poll_count();
const std::vector<Call>& log();       // every call but the draws
const std::vector<Frame>& frames();
// The draws made since the last present.
const Frame& current_frame();

// Surfaces, textures and music made through the demo's calls and not yet released.
int alive_surfaces();
int alive_textures();
int alive_music();
// Surfaces, textures and music made through the demo's calls since the last reset.
int made_surfaces();
int made_textures();
int made_music();
// Double frees, copies from released textures and the like, as text.
const std::vector<std::string>& misuse();

// The calls of `log()` with this op.
std::vector<Call> calls(Op op);
// Runs `body` and returns the exit status it ended with, or -1 if it returned.
int run(const std::function<void()>& body);

// A half-second silent MP3, for the music calls to load and play.
void write_silent_mp3(const char* path);
// A plain grey w x h bitmap, made without leaving anything in the logs.
void write_plain_bmp(const char* path, int w, int h);

}  // namespace harness

// A started demo (SDL, window, renderer) on the virtual clock, with empty logs.
// TearDown quits through `end`, as a user would.
class DemoTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Runs the test in a scratch copy of the data directory, with some files left out
// or given other contents, and goes back to the real one afterwards.
class ScopedDataDir {
public:
    explicit ScopedDataDir(const std::vector<std::string>& missing,
                           const std::vector<std::pair<std::string, std::string>>& replaced = {});
    ~ScopedDataDir();
    ScopedDataDir(const ScopedDataDir&) = delete;
    ScopedDataDir& operator=(const ScopedDataDir&) = delete;

private:
    std::string previous_;
    std::string scratch_;
};
