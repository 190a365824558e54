// Captures the demo to a video file: the real timeline and scenes on the virtual clock,
// every presented frame read back at its time, the music mixed to the sample.
#include <SDL.h>

extern "C" {
#include <libavutil/log.h>
}

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "options.h"
#include "runtime.h"
#include "timeline.h"
#include "screen_capture.h"
#include "soundtrack.h"
#include "video_file.h"
#include "virtual_clock.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int STATUS_FAILED = 1;
constexpr int STATUS_USAGE = 2;

// Thrown from the clock when the video has reached its end.
struct Cut {};
// Thrown from the clock once SIGINT, SIGTERM or SIGHUP arrived.
struct Interrupted {};

// Set by the signal handler on whichever thread takes the signal, read by the demo's thread.
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

// The file being written beside OUTPUT; removed on every way out but success.
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
std::string claim_partial_path(const fs::path& output) {
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
    return name;
}

std::string minutes(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%04.1f", int(seconds) / 60, seconds - 60 * (int(seconds) / 60));
    return text;
}

// The progress line: on a terminal rewritten in place, elsewhere a line now and then.
class Progress {
public:
    explicit Progress(uint32_t total_ms) : total_ms_(total_ms), tty_(isatty(STDERR_FILENO) != 0) {}

    void frame(uint32_t ms) {
        ++frames_;
        const auto now = Clock::now();
        if (now - shown_ < (tty_ ? std::chrono::milliseconds(250) : std::chrono::seconds(10))) {
            return;
        }
        shown_ = now;
        const double spent_s = seconds_since_start();
        std::string line = minutes(ms / 1000.0) + " of video";
        if (total_ms_ > 0) {
            const double left_s = ms > 0 ? spent_s * (double(total_ms_) - ms) / ms : 0.0;
            line = std::to_string(uint64_t(100.0 * ms / total_ms_)) + "%  " + minutes(ms / 1000.0) + " of " +
                   minutes(total_ms_ / 1000.0) + "  " + std::to_string(int(frames_ / spent_s)) + " frames/s  " +
                   minutes(left_s) + " left";
        } else {
            line += "  " + std::to_string(int(frames_ / spent_s)) + " frames/s";
        }
        std::fprintf(stderr, tty_ ? "\r%-70s" : "%s\n", line.c_str());
    }
    void done() {
        if (tty_ && shown_ != Clock::time_point()) {
            std::fprintf(stderr, "\r%-70s\r", "");
        }
    }
    double seconds_since_start() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

private:
    const uint32_t total_ms_;
    const bool tty_;
    const Clock::time_point start_ = Clock::now();
    Clock::time_point shown_;
    uint64_t frames_ = 0;
};

// What the wrapped present feeds: null until the video file is open.
struct Session {
    capture::VideoFile& video;
    ScreenCapture& screen;
    Progress& progress;
};
Session* session = nullptr;

void check_stop() {
    if (stop_signal != 0) {
        throw Interrupted{};
    }
}

// How long one cycle lasts on the clock, for the progress line. The timeline does not depend
// on what is drawn, so a child starts the demo and plays a cycle into a single pixel (which
// SDL clips nearly every draw against), and the demo here stays just as it was. Called before
// SDL starts, while this process has one thread: a child forked later would hold copies of
// SDL's threads' locks, and a signal could land on one of those threads instead of
// interrupting the wait below. 0 when it cannot tell.
uint32_t measure_cycle_ms() {
    int ends[2];
    if (pipe(ends) != 0) {
        return 0;
    }
    const pid_t child = fork();
    if (child == 0) {
        // The parent's file and signals are not the child's business.
        partial_path.clear();
        headless::on_delay({});
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
        close(ends[0]);
        capture::soundtrack().set_mixing(false);
        startup();
        SDL_SetRenderTarget(renderer, SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                                        SDL_TEXTUREACCESS_TARGET, 1, 1));
        const uint32_t start = headless::now_ms();
        timeline_cycle();
        const uint32_t length = headless::now_ms() - start;
        _exit(write(ends[1], &length, sizeof length) == sizeof length ? 0 : 1);
    }
    close(ends[1]);
    uint32_t length = 0;
    while (child > 0 && read(ends[0], &length, sizeof length) < 0 && errno == EINTR) {
        if (stop_signal != 0) {
            kill(child, SIGKILL);
        }
    }
    close(ends[0]);
    if (child > 0) {
        waitpid(child, nullptr, 0);
    }
    check_stop();
    return length;
}

void on_signal(int signal) { stop_signal = signal; }

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
// both a number of cycles and --until, the earlier end wins. `cycle_ms` is one cycle's
// length, 0 if unknown.
void render(const capture::Options& options, const capture::Container& container, const fs::path& output,
            uint32_t cycle_ms) {
    const int cycles = cycles_to_play(options);
    uint32_t end_ms = options.until_ms;
    startup();
    uint32_t planned_ms = end_ms;
    if (cycles > 0 && cycle_ms > 0) {
        const uint32_t cycles_end_ms = headless::now_ms() + uint32_t(cycles) * cycle_ms;
        planned_ms = end_ms != 0 ? std::min(end_ms, cycles_end_ms) : cycles_end_ms;
    }
    Progress progress(planned_ms);
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
                minutes(end_ms / 1000.0).c_str(), static_cast<unsigned long long>(video.frames_written()),
                video.width(), video.height(), container.name, minutes(spent_s).c_str(), end_ms / 1000.0 / spent_s);
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
    std::error_code ignored;
    if (fs::is_directory(output, ignored)) {
        fail(STATUS_USAGE, "cannot write " + output.string() + ": it is a directory");
    }
    partial_path = claim_partial_path(output);
    // The demo may end the process itself (SDL cannot start): leave nothing behind then either.
    std::atexit(remove_partial);
    struct sigaction action = {};
    action.sa_handler = on_signal;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    // Headless whatever the caller's environment says; the signals are ours, not SDL's.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The encoders' statistics and notes are not for the user; their errors still show.
    av_log_set_level(AV_LOG_ERROR);
    headless::on_delay([](uint32_t) { check_stop(); });
    enter_program_directory();
    try {
        render(options, *container, output, cycles_to_play(options) > 0 ? measure_cycle_ms() : 0);
    } catch (const Interrupted&) {
        remove_partial();
        std::fprintf(stderr, "\ncapture: stopped, nothing written\n");
        std::signal(stop_signal, SIG_DFL);
        std::raise(stop_signal);
    } catch (const capture::EncodeError& e) {
        fail(STATUS_FAILED, std::string("encoding failed, nothing written: ") + e.what());
    } catch (const std::exception& e) {
        fail(STATUS_FAILED, std::string(e.what()) + "; nothing written");
    }
    return 0;
}
