// Captures the demo to a video file: the real timeline and scenes on the virtual clock,
// every presented frame read back at its time, the music mixed to the sample.
#include <SDL.h>

extern "C" {
#include <libavutil/log.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "options.h"
#include "progress.h"
#include "runtime.h"
#include "screen_capture.h"
#include "soundtrack.h"
#include "timeline.h"
#include "video_file.h"
#include "virtual_clock.h"

namespace {

namespace fs = std::filesystem;

constexpr int STATUS_FAILED = 1;
constexpr int STATUS_USAGE = 2;

// ---- The file: written under a temporary name beside OUTPUT, renamed when whole ----------

// The file being written; removed on every way out but success.
std::string partial_path;

void remove_partial() {
    if (!partial_path.empty()) {
        std::remove(partial_path.c_str());
        partial_path.clear();
    }
}

[[noreturn]] void fail(int status, const std::string& message) {
    remove_partial();
    std::fprintf(stderr, "capture: %s\n", message.c_str());
    std::exit(status);
}

// Claims a fresh name beside `output`, so the rename at the end stays on one file system.
void claim_partial_path(const fs::path& output) {
    std::error_code ignored;
    if (fs::is_directory(output, ignored)) {
        fail(STATUS_USAGE, "cannot write " + output.string() + ": it is a directory");
    }
    std::string name = (output.parent_path() / ("." + output.filename().string() + ".partial-XXXXXX")).string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        fail(STATUS_USAGE, "cannot write " + output.string() + ": " + std::strerror(errno));
    }
    // mkstemp makes the file private; the video gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    partial_path = name;
    // The demo may end the process itself (SDL cannot start): leave nothing behind then either.
    std::atexit(remove_partial);
}

// ---- Signals: SIGINT, SIGTERM and SIGHUP stop the run at its next frame or wait -----------

// Thrown from the clock or a present once a stop signal arrived.
struct Interrupted {};

// Set by the signal handler on whichever thread takes the signal, read by the demo's thread.
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

void on_signal(int signal) { stop_signal = signal; }

void catch_stop_signals() {
    struct sigaction action = {};
    action.sa_handler = on_signal;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    // The signals are ours, not SDL's.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void check_stop() {
    if (stop_signal != 0) {
        throw Interrupted{};
    }
}

// Dies by the signal that stopped the run, as a shell expects, leaving no file.
[[noreturn]] void die_by_stop_signal() {
    remove_partial();
    std::fprintf(stderr, "\ncapture: stopped, nothing written\n");
    std::signal(stop_signal, SIG_DFL);
    std::raise(stop_signal);
    std::exit(STATUS_FAILED);
}

// ---- The run ------------------------------------------------------------------------------

// Thrown from the clock when the video has reached its end.
struct Cut {};

// What the wrapped present feeds: null until the video file is open.
struct Session {
    capture::VideoFile& video;
    ScreenCapture& screen;
    capture::Progress& progress;
};
Session* session = nullptr;

}  // namespace

extern "C" {

void __real_SDL_RenderPresent(SDL_Renderer* r);

// Each present is one new frame of the video, at its time on the clock.
void __wrap_SDL_RenderPresent(SDL_Renderer* r) {
    __real_SDL_RenderPresent(r);
    if (session == nullptr) {
        return;
    }
    check_stop();
    const uint32_t ms = headless::now_ms();
    std::vector<uint8_t> pixels = session->video.frame_buffer();
    // A frame that cannot be read would repeat an older one in its place.
    if (!session->screen.read(SDL_PIXELFORMAT_ARGB8888, pixels.data(), SCREEN_WIDTH * 4)) {
        throw std::runtime_error(std::string("cannot read the frame at ") + std::to_string(ms) +
                                 " ms back: " + SDL_GetError());
    }
    std::vector<float> sound;
    capture::soundtrack().take_until(ms, sound);
    session->video.add_frame(ms, std::move(pixels), std::move(sound));
    session->progress.frame(ms);
}

}  // extern "C"

namespace {

// Whole cycles to play: --cycles, else as many as --until needs (0: no limit), else one.
int cycles_to_play(const capture::Options& options) {
    return options.cycles > 0 ? options.cycles : options.until_ms > 0 ? 0 : 1;
}

// Plays the timeline into the video file at `partial_path` and moves it to `output`. With
// both a number of cycles and --until, the earlier end wins.
void render(const capture::Options& options, const capture::Container& container, const fs::path& output) {
    const int cycles = cycles_to_play(options);
    uint32_t end_ms = options.until_ms;
    startup();
    uint32_t planned_ms = end_ms;
    if (cycles > 0) {
        const uint32_t cycles_end_ms = headless::now_ms() + uint32_t(cycles) * CYCLE_MS;
        planned_ms = end_ms != 0 ? std::min(end_ms, cycles_end_ms) : cycles_end_ms;
    }
    capture::Progress progress(planned_ms);
    capture::open_mixer_for_loading();
    ScreenCapture screen;
    capture::VideoFile video(partial_path, container, options);
    Session running = {video, screen, progress};
    session = &running;
    headless::on_delay([end_ms](uint32_t ms) {
        check_stop();
        if (end_ms != 0 && headless::now_ms() + ms >= end_ms) {
            throw Cut{};
        }
    });
    // The start-up wait may already have passed the end.
    bool cut = end_ms != 0 && headless::now_ms() >= end_ms;
    try {
        for (int n = 0; (cycles == 0 || n < cycles) && !cut; ++n) {
            timeline_cycle();
        }
    } catch (const Cut&) {
        cut = true;
    } catch (...) {
        session = nullptr;
        throw;
    }
    session = nullptr;
    if (!cut) {
        end_ms = headless::now_ms();
    }
    std::vector<float> sound;
    capture::soundtrack().take_until(end_ms, sound);
    video.finish(end_ms, std::move(sound));
    progress.done();
    if (std::rename(partial_path.c_str(), output.c_str()) != 0) {
        fail(STATUS_FAILED, "cannot write " + output.string() + ": " + std::strerror(errno));
    }
    partial_path.clear();
    const double spent_s = progress.seconds_since_start();
    std::printf("%s: %s, %llu frames of %d x %d, %s; made in %s, %.1fx real time\n", options.output.c_str(),
                capture::minutes(end_ms / 1000.0).c_str(), static_cast<unsigned long long>(video.frames_written()),
                video.width(), video.height(), container.name, capture::minutes(spent_s).c_str(),
                end_ms / 1000.0 / spent_s);
    capture::close_mixer();
}

}  // namespace

int main(int argc, char** argv) {
    capture::Options options;
    std::string error;
    if (!capture::parse_options(argc, argv, options, error)) {
        fail(STATUS_USAGE, error + " (--help for usage)");
    }
    if (options.help) {
        std::fputs(capture::USAGE, stdout);
        return 0;
    }
    const capture::Container* container = capture::choose_container(options.output, options.lossless, error);
    if (container == nullptr) {
        fail(STATUS_USAGE, error);
    }
    const fs::path output = fs::absolute(options.output);
    claim_partial_path(output);
    catch_stop_signals();

    // Headless whatever the caller's environment says, on the virtual clock from the start.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    // The encoders' statistics and notes are not for the user; their errors still show.
    av_log_set_level(AV_LOG_ERROR);
    headless::on_delay([](uint32_t) { check_stop(); });
    enter_program_directory();
    try {
        render(options, *container, output);
    } catch (const Interrupted&) {
        die_by_stop_signal();
    } catch (const capture::EncodeError& e) {
        fail(STATUS_FAILED, std::string("encoding failed, nothing written: ") + e.what());
    } catch (const std::exception& e) {
        fail(STATUS_FAILED, std::string(e.what()) + "; nothing written");
    }
    return 0;
}
