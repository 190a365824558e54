// The video file: the demo's frames and sound encoded and muxed as they come, on a thread of
// their own, so the demo never waits for more than a few frames of encoding.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "options.h"

namespace capture {

// How a file of one extension is encoded.
struct Container {
    const char* extension;
    bool lossless;
    const char* muxer;
    const char* video_encoder;
    const char* video_options;  // key=value:key=value
    const char* audio_encoder;
    const char* name;  // for the summary line
};

// The container for OUTPUT's extension, or null with one line in `error`.
const Container* choose_container(const std::string& output, bool lossless, std::string& error);

// Thrown when the encoder or the file fails, with the reason.
struct EncodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class VideoFile {
public:
    // Opens `path` for writing; throws EncodeError.
    VideoFile(const std::string& path, const Container& container, const Options& options);
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // A buffer for one frame of 1280 x 720 pixels, SDL's ARGB8888, rows packed.
    std::vector<uint8_t> frame_buffer();
    // A frame presented at `ms`, with the sound mixed up to `ms`. Throws EncodeError once
    // the encoder has failed.
    void add_frame(uint32_t ms, std::vector<uint8_t> pixels, std::vector<float> sound);
    // Ends the video at `ms` with the rest of the sound and finishes the file; throws EncodeError.
    void finish(uint32_t ms, std::vector<float> sound);
    // Frames in the file, known after `finish`.
    uint64_t frames_written() const { return frames_written_; }
    int width() const;
    int height() const;

private:
    struct Item {
        uint32_t ms;
        std::vector<uint8_t> pixels;  // empty for the end
        std::vector<float> sound;
    };
    struct Encoder;

    void push(Item item);
    void work();

    std::unique_ptr<Encoder> encoder_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Item> queue_;
    std::vector<std::vector<uint8_t>> spare_buffers_;
    std::string failure_;
    bool failed_ = false;
    bool stopping_ = false;
    bool finished_ = false;
    uint64_t frames_written_ = 0;
    std::thread worker_;
};

}  // namespace capture
