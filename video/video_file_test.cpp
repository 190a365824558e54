// The encoder alone, fed a tone in chunks as the capture feeds it, with an empty chunk first
// and one beside every other: empty chunks add nothing; only the end flushes the resampler.
extern "C" {
#include <libavutil/log.h>
}

#include <cmath>
#include <cstdio>
#include <vector>

#include "soundtrack.h"
#include "video_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: video_file_test OUTPUT\n", stderr);
        return 2;
    }
    std::string error;
    const capture::Container* container = capture::choose_container(argv[1], false, error);
    if (container == nullptr) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    uint64_t made = 0;
    const auto tone_until = [&made](uint32_t ms) {
        std::vector<float> sound;
        for (; made < capture::sample_at(ms); ++made) {
            const float v = 0.25f * float(std::sin(2 * M_PI * 440 * double(made) / capture::SAMPLE_RATE_HZ));
            sound.insert(sound.end(), capture::CHANNELS, v);
        }
        return sound;
    };
    try {
        capture::VideoFile video(argv[1], *container, capture::Options());
        for (uint32_t ms = 0; ms < 2000; ms += 100) {
            video.add_frame(ms, video.frame_buffer(), tone_until(ms));
            video.add_frame(ms, video.frame_buffer(), tone_until(ms));
        }
        video.finish(2000, tone_until(2000));
    } catch (const capture::EncodeError& e) {
        std::fprintf(stderr, "video_file_test: %s\n", e.what());
        return 1;
    }
    return 0;
}
