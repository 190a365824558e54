// The capture's command line.
#pragma once

#include <cstdint>
#include <string>

namespace capture {

struct Options {
    int cycles = 0;               // 0: not given: one cycle, or as many as --until needs
    uint32_t until_ms = 0;        // 0: to the end of the last cycle
    int fps_num = 0, fps_den = 1; // 0: each frame at its own millisecond
    int scale = 1;
    bool lossless = false;
    bool help = false;
    std::string output;
};

extern const char* const USAGE;

// Fills `out` from the arguments; on a bad option or value, returns false with one line
// in `error`.
bool parse_options(int argc, char** argv, Options& out, std::string& error);

}  // namespace capture
