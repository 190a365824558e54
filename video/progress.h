// The capture's progress line on stderr, and how it writes lengths of time.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace capture {

// `seconds` as minutes and seconds to a tenth: "3:55.9".
std::string minutes(double seconds);

// The share of the video made, frames per second and the time left: on a terminal
// rewritten in place, elsewhere a line every 10 s.
class Progress {
public:
    // `total_ms`: the video's planned length, 0 when only the frames made can be told.
    explicit Progress(uint32_t total_ms);
    // One more frame made, at `ms` in the video.
    void frame(uint32_t ms);
    // Clears the line on a terminal.
    void done();
    double seconds_since_start() const;

private:
    using Clock = std::chrono::steady_clock;
    const uint32_t total_ms_;
    const bool tty_;
    const Clock::time_point start_ = Clock::now();
    Clock::time_point shown_;
    uint64_t frames_ = 0;
};

}  // namespace capture
