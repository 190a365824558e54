// Test harness: the demo's SDL calls, wrapped at link time, recorded against a virtual clock.
#include "harness.h"

#include <SDL_image.h>
#include <SDL_mixer.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "runtime.h"
#include "virtual_clock.h"

namespace harness {
namespace {

struct PendingEvent {
    uint64_t from_poll;
    uint32_t from_ms;
    SDL_Event e;
};

// Handles made through the demo's calls, so double frees and stale copies show.
struct Tracker {
    std::set<const void*> alive;
    std::set<const void*> released;
    int made_count = 0;

    void made(const void* p) {
        if (p != nullptr) {
            ++made_count;
            alive.insert(p);
            released.erase(p);
        }
    }
    // False when `p` was made here and is already released: the real call must not run.
    bool release(const void* p, const char* what) {
        if (alive.erase(p) == 1) {
            released.insert(p);
            return true;
        }
        if (released.count(p) != 0) {
            state_misuse(std::string("double release of ") + what);
            return false;
        }
        return true;
    }
    bool stale(const void* p) const { return p != nullptr && released.count(p) != 0; }
    // Made elsewhere (a test's own fixture): a released address handed out again.
    void reused(const void* p) { released.erase(p); }
    static void state_misuse(const std::string& text);
};

struct State {
    uint32_t present_cost_ms = 0;
    bool keep_draws = true;
    bool real_drawing = true;
    bool stand_in_textures = false;
    bool fail_window = false;
    std::function<void(const Frame&)> present_hook;
    std::deque<PendingEvent> events;
    uint64_t polls = 0;
    std::vector<Call> log;
    std::vector<Frame> frames;
    Frame current;
    bool frame_started = false;
    SDL_Color draw_colour = {0, 0, 0, 0};
    std::map<const void*, SDL_Color> colour_mods;
    std::map<const void*, const char*> names;  // rwops, surfaces, textures, music -> file
    Tracker surfaces, textures, tunes;
    std::vector<std::string> misuse;
    uint64_t seq = 0;
};

State& state() {
    static State s;
    return s;
}

// Names live as long as the process, so calls can point at them.
const char* intern(const std::string& text) {
    static std::set<std::string> names;
    return names.insert(text).first->c_str();
}

void Tracker::state_misuse(const std::string& text) {
    state().misuse.push_back(text);
}

const char* name_of(const void* p) {
    const auto it = state().names.find(p);
    return it == state().names.end() ? "" : it->second;
}

void touch_frame() {
    State& s = state();
    if (!s.frame_started) {
        s.frame_started = true;
        s.current.start_ms = headless::now_ms();
    }
}

Call make(Op op) {
    touch_frame();
    Call c;
    c.op = op;
    c.seq = state().seq++;
    c.frame = state().frames.size();
    c.time_ms = headless::now_ms();
    return c;
}

void record(Call c) {
    state().log.push_back(std::move(c));
}

// Counts a draw call; true when its details are to be recorded too. Long runs keep no
// draws, and skipping the record there keeps whole cycles fast under the sanitizers.
bool count_draw(Op op) {
    State& s = state();
    if (s.keep_draws) {
        return true;
    }
    touch_frame();
    ++s.seq;
    switch (op) {
    case Op::Clear: ++s.current.clears; break;
    case Op::Copy:
    case Op::CopyEx: ++s.current.copies; break;
    case Op::Line: ++s.current.lines; break;
    default: break;
    }
    return false;
}

void record_draw(const Call& c) {
    State& s = state();
    switch (c.op) {
    case Op::Clear: ++s.current.clears; break;
    case Op::Copy:
    case Op::CopyEx: ++s.current.copies; break;
    case Op::Line: ++s.current.lines; break;
    default: break;
    }
    s.current.draws.push_back(c);
}

void set_rect(SDL_Rect& out, bool& has, const SDL_Rect* in) {
    has = in != nullptr;
    if (in != nullptr) {
        out = *in;
    }
}

SDL_Event make_event(Uint32 type) {
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    return e;
}

Call copy_call(Op op, SDL_Texture* t, const SDL_Rect* src, const SDL_Rect* dst) {
    auto& s = state();
    Call c = make(op);
    c.handle = t;
    c.name = name_of(t);
    set_rect(c.src, c.has_src, src);
    set_rect(c.dst, c.has_dst, dst);
    const auto mod = s.colour_mods.find(t);
    if (mod != s.colour_mods.end()) {
        c.colour_mod = mod->second;
    }
    return c;
}

// True when the copy would read a released texture, which is then reported.
bool stale_copy(SDL_Texture* t) {
    if (state().textures.stale(t)) {
        Tracker::state_misuse("copy from a released texture");
        return true;
    }
    return false;
}

}  // namespace

void reset() {
    State& s = state();
    s = State();
    headless::reset_clock();
}

void clear_logs() {
    State& s = state();
    s.log.clear();
    s.frames.clear();
    s.current = Frame();
    s.frame_started = false;
    s.misuse.clear();
}

void keep_draws(bool on) { state().keep_draws = on; }
void draw_for_real(bool on) { state().real_drawing = on; }
void stand_in_textures(bool on) { state().stand_in_textures = on; }
void set_present_cost(uint32_t ms) { state().present_cost_ms = ms; }
void fail_window(bool on) { state().fail_window = on; }
void script_ticks(std::vector<uint32_t> ticks) { headless::script_ticks(std::move(ticks)); }
void on_present(std::function<void(const Frame&)> hook) { state().present_hook = std::move(hook); }

void queue_event_at_poll(uint64_t poll_index, const SDL_Event& e) {
    state().events.push_back({poll_index, 0, e});
}
void queue_event_at_time(uint32_t ms, const SDL_Event& e) {
    state().events.push_back({0, ms, e});
}

SDL_Event key_down(SDL_Keycode key) {
    SDL_Event e = make_event(SDL_KEYDOWN);
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    return e;
}
SDL_Event key_up(SDL_Keycode key) {
    SDL_Event e = make_event(SDL_KEYUP);
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = key;
    return e;
}
SDL_Event mouse_down(Uint8 button) {
    SDL_Event e = make_event(SDL_MOUSEBUTTONDOWN);
    e.button.button = button;
    e.button.state = SDL_PRESSED;
    return e;
}
SDL_Event mouse_up(Uint8 button) {
    SDL_Event e = make_event(SDL_MOUSEBUTTONUP);
    e.button.button = button;
    e.button.state = SDL_RELEASED;
    return e;
}
SDL_Event mouse_motion() { return make_event(SDL_MOUSEMOTION); }
SDL_Event window_close() { return make_event(SDL_QUIT); }

uint32_t now_ms() { return headless::now_ms(); }
uint64_t poll_count() { return state().polls; }
const std::vector<Call>& log() { return state().log; }
const std::vector<Frame>& frames() { return state().frames; }
const Frame& current_frame() { return state().current; }
int alive_surfaces() { return static_cast<int>(state().surfaces.alive.size()); }
int alive_textures() { return static_cast<int>(state().textures.alive.size()); }
int alive_music() { return static_cast<int>(state().tunes.alive.size()); }
int made_surfaces() { return state().surfaces.made_count; }
int made_textures() { return state().textures.made_count; }
int made_music() { return state().tunes.made_count; }
const std::vector<std::string>& misuse() { return state().misuse; }

std::vector<Call> calls(Op op) {
    std::vector<Call> out;
    for (const Call& c : state().log) {
        if (c.op == op) {
            out.push_back(c);
        }
    }
    return out;
}

int run(const std::function<void()>& body) {
    try {
        body();
    } catch (const Exit& e) {
        return e.status;
    }
    return -1;
}

}  // namespace harness

int main(int argc, char** argv) {
    // A delay is recorded like any other call, before the clock moves.
    headless::on_delay([](uint32_t ms) {
        harness::Call c = harness::make(harness::Op::Delay);
        c.v[0] = static_cast<int32_t>(ms);
        harness::record(c);
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

void DemoTest::SetUp() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    harness::reset();
    ASSERT_EQ(harness::run(startup), -1) << "start-up exited";
    harness::clear_logs();
}

void DemoTest::TearDown() {
    harness::keep_draws(false);
    harness::run(end);
}

ScopedDataDir::ScopedDataDir(const std::vector<std::string>& missing,
                             const std::vector<std::pair<std::string, std::string>>& replaced) {
    namespace fs = std::filesystem;
    previous_ = fs::current_path().string();
    char pattern[] = "/tmp/veltronaquis-data-XXXXXX";
    scratch_ = mkdtemp(pattern);
    for (const char* dir : {"gfx", "sfx"}) {
        fs::create_directories(fs::path(scratch_) / dir);
        if (fs::exists(fs::path(previous_) / dir)) {
            fs::copy(fs::path(previous_) / dir, fs::path(scratch_) / dir, fs::copy_options::recursive);
        }
    }
    for (const std::string& file : missing) {
        fs::remove(fs::path(scratch_) / file);
    }
    for (const auto& [file, contents] : replaced) {
        std::ofstream(fs::path(scratch_) / file, std::ios::binary | std::ios::trunc) << contents;
    }
    fs::current_path(scratch_);
}

ScopedDataDir::~ScopedDataDir() {
    namespace fs = std::filesystem;
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
}

// ---------------------------------------------------------------------------
// The wrapped calls. Each records itself, then forwards to SDL where that matters.

using harness::Call;
using harness::Op;
using harness::record;
using harness::record_draw;
using harness::state;

extern "C" {

int __real_SDL_Init(Uint32 flags);
void __real_SDL_Quit(void);
SDL_Window* __real_SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags);
void __real_SDL_DestroyWindow(SDL_Window* w);
int __real_SDL_SetWindowDisplayMode(SDL_Window* w, const SDL_DisplayMode* mode);
SDL_Renderer* __real_SDL_CreateRenderer(SDL_Window* w, int index, Uint32 flags);
void __real_SDL_DestroyRenderer(SDL_Renderer* r);
int __real_SDL_ShowCursor(int toggle);
int __real_SDL_SetRenderDrawColor(SDL_Renderer* r, Uint8 red, Uint8 g, Uint8 b, Uint8 a);
int __real_SDL_RenderClear(SDL_Renderer* r);
int __real_SDL_RenderCopy(SDL_Renderer* r, SDL_Texture* t, const SDL_Rect* s, const SDL_Rect* d);
int __real_SDL_RenderCopyEx(SDL_Renderer* r, SDL_Texture* t, const SDL_Rect* s, const SDL_Rect* d,
                            const double angle, const SDL_Point* centre, const SDL_RendererFlip flip);
int __real_SDL_RenderDrawLine(SDL_Renderer* r, int x1, int y1, int x2, int y2);
int __real_SDL_RenderFillRect(SDL_Renderer* r, const SDL_Rect* rect);
int __real_SDL_SetTextureColorMod(SDL_Texture* t, Uint8 red, Uint8 g, Uint8 b);
void __real_SDL_RenderPresent(SDL_Renderer* r);
SDL_RWops* __real_SDL_RWFromFile(const char* file, const char* mode);
SDL_Surface* __real_SDL_LoadBMP_RW(SDL_RWops* src, int freesrc);
SDL_Surface* __real_IMG_Load(const char* file);
void __real_SDL_FreeSurface(SDL_Surface* s);
int __real_SDL_SetColorKey(SDL_Surface* s, int flag, Uint32 key);
SDL_Texture* __real_SDL_CreateTextureFromSurface(SDL_Renderer* r, SDL_Surface* s);
void __real_SDL_DestroyTexture(SDL_Texture* t);
SDL_Surface* __real_SDL_CreateRGBSurfaceWithFormat(Uint32 flags, int w, int h, int depth, Uint32 format);
SDL_Surface* __real_SDL_ConvertSurfaceFormat(SDL_Surface* s, Uint32 format, Uint32 flags);
SDL_Texture* __real_SDL_CreateTexture(SDL_Renderer* r, Uint32 format, int access, int w, int h);
int __real_Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
void __real_Mix_CloseAudio(void);
Mix_Music* __real_Mix_LoadMUS(const char* file);
int __real_Mix_PlayMusic(Mix_Music* m, int loops);
void __real_Mix_FreeMusic(Mix_Music* m);
int __real_Mix_VolumeMusic(int volume);

int __wrap_SDL_Init(Uint32 flags) {
    Call c = harness::make(Op::Init);
    c.v[0] = static_cast<int32_t>(flags);
    const int result = __real_SDL_Init(flags);
    c.v[1] = result;
    record(c);
    return result;
}

void __wrap_SDL_Quit(void) {
    record(harness::make(Op::Quit));
    __real_SDL_Quit();
}

void __wrap_SDL_LogError(int category, const char* fmt, ...) {
    char text[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    Call c = harness::make(Op::LogError);
    c.v[0] = category;
    c.name = harness::intern(fmt);
    record(c);
    std::fputs(text, stderr);
}

SDL_Window* __wrap_SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
    SDL_Window* win = nullptr;
    if (state().fail_window) {
        SDL_SetError("no window in this test");
    } else {
        win = __real_SDL_CreateWindow(title, x, y, w, h, flags);
    }
    Call c = harness::make(Op::CreateWindow);
    c.name = harness::intern(title != nullptr ? title : "");
    c.v[0] = x;
    c.v[1] = y;
    c.v[2] = w;
    c.v[3] = h;
    c.v[4] = static_cast<int32_t>(flags);
    c.handle = win;
    record(c);
    return win;
}

void __wrap_SDL_DestroyWindow(SDL_Window* w) {
    Call c = harness::make(Op::DestroyWindow);
    c.handle = w;
    record(c);
    __real_SDL_DestroyWindow(w);
}

int __wrap_SDL_SetWindowDisplayMode(SDL_Window* w, const SDL_DisplayMode* mode) {
    Call c = harness::make(Op::SetDisplayMode);
    c.handle = w;
    if (mode != nullptr) {
        c.v[0] = static_cast<int32_t>(mode->format);
        c.v[1] = mode->w;
        c.v[2] = mode->h;
        c.v[3] = mode->refresh_rate;
        c.v[4] = mode->driverdata != nullptr;
    }
    record(c);
    return __real_SDL_SetWindowDisplayMode(w, mode);
}

SDL_Renderer* __wrap_SDL_CreateRenderer(SDL_Window* w, int index, Uint32 flags) {
    SDL_Renderer* r = __real_SDL_CreateRenderer(w, index, flags);
    Call c = harness::make(Op::CreateRenderer);
    c.v[0] = index;
    c.v[1] = static_cast<int32_t>(flags);
    c.handle = r;
    record(c);
    return r;
}

void __wrap_SDL_DestroyRenderer(SDL_Renderer* r) {
    Call c = harness::make(Op::DestroyRenderer);
    c.handle = r;
    record(c);
    __real_SDL_DestroyRenderer(r);
}

int __wrap_SDL_ShowCursor(int toggle) {
    Call c = harness::make(Op::ShowCursor);
    c.v[0] = toggle;
    record(c);
    return __real_SDL_ShowCursor(toggle);
}

int __wrap_SDL_PollEvent(SDL_Event* e) {
    auto& s = state();
    Call c = harness::make(Op::Poll);
    c.v[0] = 0;
    for (auto it = s.events.begin(); it != s.events.end(); ++it) {
        if (it->from_poll <= s.polls && it->from_ms <= headless::now_ms()) {
            if (e != nullptr) {
                *e = it->e;
            }
            c.v[0] = 1;
            c.v[1] = static_cast<int32_t>(it->e.type);
            s.events.erase(it);
            break;
        }
    }
    ++s.polls;
    ++s.current.polls;
    record(c);
    return c.v[0];
}

int __wrap_SDL_SetRenderDrawColor(SDL_Renderer* r, Uint8 red, Uint8 g, Uint8 b, Uint8 a) {
    auto& s = state();
    s.draw_colour = {red, g, b, a};
    if (harness::count_draw(Op::DrawColor)) {
        Call c = harness::make(Op::DrawColor);
        c.draw_colour = s.draw_colour;
        record_draw(c);
    }
    return s.real_drawing ? __real_SDL_SetRenderDrawColor(r, red, g, b, a) : 0;
}

int __wrap_SDL_RenderClear(SDL_Renderer* r) {
    auto& s = state();
    if (harness::count_draw(Op::Clear)) {
        Call c = harness::make(Op::Clear);
        c.draw_colour = s.draw_colour;
        record_draw(c);
    }
    return s.real_drawing ? __real_SDL_RenderClear(r) : 0;
}

int __wrap_SDL_RenderCopy(SDL_Renderer* r, SDL_Texture* t, const SDL_Rect* src, const SDL_Rect* dst) {
    const bool stale = harness::stale_copy(t);
    if (harness::count_draw(Op::Copy)) {
        record_draw(harness::copy_call(Op::Copy, t, src, dst));
    }
    return state().real_drawing && !stale ? __real_SDL_RenderCopy(r, t, src, dst) : 0;
}

int __wrap_SDL_RenderCopyEx(SDL_Renderer* r, SDL_Texture* t, const SDL_Rect* src, const SDL_Rect* dst,
                            const double angle, const SDL_Point* centre, const SDL_RendererFlip flip) {
    const bool stale = harness::stale_copy(t);
    if (harness::count_draw(Op::CopyEx)) {
        Call c = harness::copy_call(Op::CopyEx, t, src, dst);
        c.angle = angle;
        c.flip = flip;
        c.v[0] = centre != nullptr;
        record_draw(c);
    }
    return state().real_drawing && !stale ? __real_SDL_RenderCopyEx(r, t, src, dst, angle, centre, flip)
                                          : 0;
}

int __wrap_SDL_RenderDrawLine(SDL_Renderer* r, int x1, int y1, int x2, int y2) {
    auto& s = state();
    if (harness::count_draw(Op::Line)) {
        Call c = harness::make(Op::Line);
        c.v[0] = x1;
        c.v[1] = y1;
        c.v[2] = x2;
        c.v[3] = y2;
        c.draw_colour = s.draw_colour;
        record_draw(c);
    }
    return s.real_drawing ? __real_SDL_RenderDrawLine(r, x1, y1, x2, y2) : 0;
}

int __wrap_SDL_RenderFillRect(SDL_Renderer* r, const SDL_Rect* rect) {
    auto& s = state();
    if (harness::count_draw(Op::FillRect)) {
        Call c = harness::make(Op::FillRect);
        harness::set_rect(c.dst, c.has_dst, rect);
        c.draw_colour = s.draw_colour;
        record_draw(c);
    }
    return s.real_drawing ? __real_SDL_RenderFillRect(r, rect) : 0;
}

int __wrap_SDL_SetTextureColorMod(SDL_Texture* t, Uint8 red, Uint8 g, Uint8 b) {
    auto& s = state();
    s.colour_mods[t] = {red, g, b, 255};
    if (harness::count_draw(Op::ColorMod)) {
        Call c = harness::make(Op::ColorMod);
        c.handle = t;
        c.colour_mod = {red, g, b, 255};
        record_draw(c);
    }
    if (s.textures.stale(t)) {
        harness::Tracker::state_misuse("colour mod on a released texture");
        return -1;
    }
    return __real_SDL_SetTextureColorMod(t, red, g, b);
}

void __wrap_SDL_RenderPresent(SDL_Renderer* r) {
    auto& s = state();
    Call c = harness::make(Op::Present);
    record(c);
    if (s.real_drawing) {
        __real_SDL_RenderPresent(r);
    }
    headless::advance_clock(s.present_cost_ms);
    s.frames.push_back(std::move(s.current));
    s.current = harness::Frame();
    s.frame_started = false;
    if (s.present_hook) {
        s.present_hook(s.frames.back());
    }
    if (!s.keep_draws) {
        s.frames.back().draws.clear();
        s.frames.back().draws.shrink_to_fit();
    }
}

SDL_RWops* __wrap_SDL_RWFromFile(const char* file, const char* mode) {
    SDL_RWops* rw = __real_SDL_RWFromFile(file, mode);
    Call c = harness::make(Op::OpenFile);
    c.name = harness::intern(file != nullptr ? file : "");
    c.handle = rw;
    c.v[0] = mode != nullptr && std::string(mode) == "rb";
    record(c);
    if (rw != nullptr) {
        state().names[rw] = c.name;
    }
    return rw;
}

SDL_Surface* __wrap_SDL_LoadBMP_RW(SDL_RWops* src, int freesrc) {
    const char* file = harness::name_of(src);
    SDL_Surface* surface = __real_SDL_LoadBMP_RW(src, freesrc);
    Call c = harness::make(Op::LoadBmp);
    c.name = file;
    c.handle = surface;
    c.v[0] = freesrc;
    record(c);
    state().names.erase(src);
    if (surface != nullptr) {
        state().names[surface] = file;
        state().surfaces.made(surface);
    }
    return surface;
}

SDL_Surface* __wrap_IMG_Load(const char* file) {
    SDL_Surface* surface = __real_IMG_Load(file);
    Call c = harness::make(Op::LoadImage);
    c.name = harness::intern(file != nullptr ? file : "");
    c.handle = surface;
    record(c);
    if (surface != nullptr) {
        state().names[surface] = c.name;
        state().surfaces.made(surface);
    }
    return surface;
}

void __wrap_SDL_FreeSurface(SDL_Surface* s) {
    Call c = harness::make(Op::FreeSurface);
    c.handle = s;
    c.name = harness::name_of(s);
    record(c);
    if (state().surfaces.release(s, "surface")) {
        __real_SDL_FreeSurface(s);
    }
}

int __wrap_SDL_SetColorKey(SDL_Surface* s, int flag, Uint32 key) {
    Call c = harness::make(Op::ColorKey);
    c.handle = s;
    c.name = harness::name_of(s);
    c.v[0] = flag;
    c.v[1] = static_cast<int32_t>(key);
    if (s != nullptr) {
        Uint8 r = 0;
        Uint8 g = 0;
        Uint8 b = 0;
        SDL_GetRGB(key, s->format, &r, &g, &b);
        c.v[2] = r;
        c.v[3] = g;
        c.v[4] = b;
    }
    record(c);
    if (s == nullptr) {
        // The key's colour is mapped through the surface's format: a null one was dereferenced.
        harness::Tracker::state_misuse("colour key on a null surface");
        return -1;
    }
    if (state().surfaces.stale(s)) {
        harness::Tracker::state_misuse("colour key on a released surface");
        return -1;
    }
    return __real_SDL_SetColorKey(s, flag, key);
}

SDL_Texture* __wrap_SDL_CreateTextureFromSurface(SDL_Renderer* r, SDL_Surface* s) {
    if (state().surfaces.stale(s)) {
        harness::Tracker::state_misuse("texture from a released surface");
    }
    static SDL_Surface* const stand_in =
        __real_SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* source = s != nullptr && state().stand_in_textures ? stand_in : s;
    SDL_Texture* t = state().surfaces.stale(s) ? nullptr : __real_SDL_CreateTextureFromSurface(r, source);
    Call c = harness::make(Op::CreateTexture);
    c.handle = t;
    c.name = harness::name_of(s);
    c.v[0] = s != nullptr;
    record(c);
    if (t != nullptr) {
        state().names[t] = c.name;
        state().colour_mods.erase(t);
        state().textures.made(t);
    }
    return t;
}

void __wrap_SDL_DestroyTexture(SDL_Texture* t) {
    Call c = harness::make(Op::DestroyTexture);
    c.handle = t;
    c.name = harness::name_of(t);
    record(c);
    if (state().textures.release(t, "texture")) {
        __real_SDL_DestroyTexture(t);
    }
}

// Surfaces and textures the tests make for themselves are not tracked, but they may get
// the address of one the demo released, which must then not count as released any more.
SDL_Surface* __wrap_SDL_CreateRGBSurfaceWithFormat(Uint32 flags, int w, int h, int depth, Uint32 format) {
    SDL_Surface* s = __real_SDL_CreateRGBSurfaceWithFormat(flags, w, h, depth, format);
    state().surfaces.reused(s);
    return s;
}

SDL_Surface* __wrap_SDL_ConvertSurfaceFormat(SDL_Surface* src, Uint32 format, Uint32 flags) {
    SDL_Surface* s = __real_SDL_ConvertSurfaceFormat(src, format, flags);
    state().surfaces.reused(s);
    return s;
}

SDL_Texture* __wrap_SDL_CreateTexture(SDL_Renderer* r, Uint32 format, int access, int w, int h) {
    SDL_Texture* t = __real_SDL_CreateTexture(r, format, access, w, h);
    state().textures.reused(t);
    return t;
}

int __wrap_Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize) {
    Call c = harness::make(Op::OpenAudio);
    c.v[0] = frequency;
    c.v[1] = format;
    c.v[2] = channels;
    c.v[3] = chunksize;
    c.v[4] = __real_Mix_OpenAudio(frequency, format, channels, chunksize);
    record(c);
    return c.v[4];
}

void __wrap_Mix_CloseAudio(void) {
    record(harness::make(Op::CloseAudio));
    __real_Mix_CloseAudio();
}

Mix_Music* __wrap_Mix_LoadMUS(const char* file) {
    Mix_Music* m = __real_Mix_LoadMUS(file);
    Call c = harness::make(Op::LoadMusic);
    c.name = harness::intern(file != nullptr ? file : "");
    c.handle = m;
    record(c);
    if (m != nullptr) {
        state().names[m] = c.name;
        state().tunes.made(m);
    }
    return m;
}

int __wrap_Mix_PlayMusic(Mix_Music* m, int loops) {
    Call c = harness::make(Op::PlayMusic);
    c.handle = m;
    c.name = harness::name_of(m);
    c.v[0] = loops;
    record(c);
    if (state().tunes.stale(m)) {
        harness::Tracker::state_misuse("play of released music");
        return -1;
    }
    return __real_Mix_PlayMusic(m, loops);
}

void __wrap_Mix_FreeMusic(Mix_Music* m) {
    Call c = harness::make(Op::FreeMusic);
    c.handle = m;
    c.name = harness::name_of(m);
    record(c);
    if (state().tunes.release(m, "music")) {
        __real_Mix_FreeMusic(m);
    }
}

int __wrap_Mix_VolumeMusic(int volume) {
    Call c = harness::make(Op::VolumeMusic);
    c.v[0] = volume;
    record(c);
    return __real_Mix_VolumeMusic(volume);
}

// glibc declares exit noexcept, so this throw crosses frames compiled as if it could not
// happen there. That is fine while end() and startup() hold no locals with destructors: a
// frame with cleanups around a noexcept call has no unwind entry for it, and the throw
// would end in std::terminate. The quit tests run through every scene, also under ASan.
[[noreturn]] void __wrap_exit(int status) {
    Call c = harness::make(Op::Exit);
    c.v[0] = status;
    record(c);
    throw harness::Exit{status};
}

}  // extern "C"

namespace harness {

void write_silent_mp3(const char* path) {
    // Twenty MPEG-1 layer III frames, 128 kbit/s at 44.1 kHz, with empty side info: silence.
    constexpr unsigned char HEADER[] = {0xFF, 0xFB, 0x90, 0x00};
    constexpr size_t FRAME_BYTES = 417;
    std::ofstream out(path, std::ios::binary);
    for (int n = 0; n < 20; ++n) {
        out.write(reinterpret_cast<const char*>(HEADER), sizeof HEADER);
        out << std::string(FRAME_BYTES - sizeof HEADER, '\0');
    }
}

void write_plain_bmp(const char* path, int w, int h) {
    // Made through the real calls, so fixtures leave nothing in the logs.
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 200, 200, 200));
    SDL_SaveBMP_RW(s, __real_SDL_RWFromFile(path, "wb"), 1);
    __real_SDL_FreeSurface(s);
}

}  // namespace harness
