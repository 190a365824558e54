// The capture's progress line on stderr.
#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace capture {

std::string minutes(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%d:%04.1f", int(seconds) / 60, seconds - 60 * (int(seconds) / 60));
    return text;
}

Progress::Progress(uint32_t total_ms) : total_ms_(total_ms), tty_(isatty(STDERR_FILENO) != 0) {}

void Progress::frame(uint32_t ms) {
    ++frames_;
    const auto now = Clock::now();
    if (now - shown_ < (tty_ ? std::chrono::milliseconds(250) : std::chrono::seconds(10))) {
        return;
    }
    shown_ = now;
    const double spent_s = seconds_since_start();
    const std::string rate = std::to_string(int(frames_ / spent_s)) + " frames/s";
    std::string line = minutes(ms / 1000.0) + " of video  " + rate;
    if (total_ms_ > 0) {
        const double left_s = ms > 0 ? spent_s * (double(total_ms_) - ms) / ms : 0.0;
        line = std::to_string(uint64_t(100.0 * ms / total_ms_)) + "%  " + minutes(ms / 1000.0) + " of " +
               minutes(total_ms_ / 1000.0) + "  " + rate + "  " + minutes(left_s) + " left";
    }
    std::fprintf(stderr, tty_ ? "\r%-70s" : "%s\n", line.c_str());
}

void Progress::done() {
    if (tty_ && shown_ != Clock::time_point()) {
        std::fprintf(stderr, "\r%-70s\r", "");
    }
}

double Progress::seconds_since_start() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

}  // namespace capture
