// The capture's command line.
#include "options.h"

extern "C" {
#include <libavutil/parseutils.h>
}

#include <getopt.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace capture {

const char* const USAGE =
    "Usage: ./capture [--cycles N] [--until SECONDS] [--fps F] [--scale K] [--lossless] OUTPUT\n"
    "Renders the demo headless into a video file, every frame at its time on the demo's clock\n"
    "and the music mixed to the sample, faster than real time.\n"
    "\n"
    "  --cycles N       whole cycles of the timeline, from the program's start (default 1,\n"
    "                   or with --until as many as it needs)\n"
    "  --until SECONDS  end the video at this time; with --cycles, the earlier end wins\n"
    "  --fps F          constant frame rate F (e.g. 60, 29.97, 30000/1001); by default each\n"
    "                   frame starts at its own millisecond (variable frame rate)\n"
    "  --scale K        enlarge K times, nearest pixel, K = 1 to 3 (3 gives 3840 x 2160)\n"
    "  --lossless       FFV1 in RGB, the demo's exact pixels, and FLAC; OUTPUT must be .mkv\n"
    "  --help           this text\n"
    "\n"
    "OUTPUT's extension chooses the file:\n"
    "  .mp4   H.264 (yuv420p, CRF 18, superfast) and AAC 192 kbit/s\n"
    "  .mkv   the same in Matroska, or with --lossless FFV1 and FLAC\n"
    "  .webm  VP9 and Opus\n";

namespace {

constexpr int MAX_CYCLES = 1000;
constexpr double MAX_UNTIL_S = 24 * 3600;
constexpr int MAX_FPS = 240;
constexpr int MAX_SCALE = 3;

bool whole_number(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) {
        return false;
    }
    out = int(value);
    return true;
}

bool parse_value(int option, const char* text, Options& out) {
    switch (option) {
    case 'c':
        return whole_number(text, 1, MAX_CYCLES, out.cycles);
    case 'u': {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (end == text || *end != '\0' || !(seconds > 0 && seconds <= MAX_UNTIL_S)) {
            return false;
        }
        out.until_ms = uint32_t(std::lround(seconds * 1000));
        return out.until_ms > 0;
    }
    case 'f': {
        AVRational rate = {0, 1};
        if (av_parse_video_rate(&rate, text) < 0 || rate.num <= 0 || rate.den <= 0 ||
            rate.num > int64_t(MAX_FPS) * rate.den) {
            return false;
        }
        out.fps_num = rate.num;
        out.fps_den = rate.den;
        return true;
    }
    case 's':
        return whole_number(text, 1, MAX_SCALE, out.scale);
    }
    return false;
}

}  // namespace

bool parse_options(int argc, char** argv, Options& out, std::string& error) {
    static const option LONG_OPTIONS[] = {
        {"cycles", required_argument, nullptr, 'c'}, {"until", required_argument, nullptr, 'u'},
        {"fps", required_argument, nullptr, 'f'},    {"scale", required_argument, nullptr, 's'},
        {"lossless", no_argument, nullptr, 'l'},     {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0;
    optind = 1;
    int code = 0;
    // A leading ':' tells a missing value (':') from an unknown option ('?').
    while ((code = getopt_long(argc, argv, ":h", LONG_OPTIONS, nullptr)) != -1) {
        const std::string given = argv[optind - 1];
        if (code == 'h') {
            out.help = true;
            return true;
        }
        if (code == 'l') {
            out.lossless = true;
        } else if (code == ':') {
            error = "option " + given + " needs a value";
            return false;
        } else if (code == '?') {
            error = "unknown option " + given;
            return false;
        } else if (!parse_value(code, optarg, out)) {
            const option* named = LONG_OPTIONS;
            while (named->val != code) {
                ++named;
            }
            error = std::string("bad value '") + optarg + "' for --" + named->name;
            return false;
        }
    }
    if (optind == argc) {
        error = "no OUTPUT file given";
        return false;
    }
    if (argc - optind > 1) {
        error = std::string("one OUTPUT only, not also '") + argv[optind + 1] + "'";
        return false;
    }
    out.output = argv[optind];
    return true;
}

}  // namespace capture
