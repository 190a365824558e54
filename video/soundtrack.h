// The demo's music as SDL_mixer would play it, mixed on the virtual clock: the music calls
// are recorded at their clock time and no sound device plays anything.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace capture {

constexpr int SAMPLE_RATE_HZ = 44100;
constexpr int CHANNELS = 2;

// The sample frame at which `ms` on the clock falls (ms * 44.1, rounded down).
inline uint64_t sample_at(uint32_t ms) {
    return uint64_t(ms) * SAMPLE_RATE_HZ / 1000;
}

// A whole file decoded to 44.1 kHz interleaved 16-bit stereo, without the encoder's delay
// and padding, as SDL_mixer plays it; empty when it cannot be read.
std::vector<int16_t> decode_sound_file(const std::string& path);

class Soundtrack {
public:
    // The mixer's calls, each at the current clock time.
    void open_audio(uint32_t ms);
    void close_audio(uint32_t ms);
    // `music` is what Mix_LoadMUS gave for `file`; null plays nothing.
    void play(uint32_t ms, const void* music, const std::string& file, int loops);
    void free_music(uint32_t ms, const void* music);
    // Returns the volume in force before; a negative one only asks.
    int volume(uint32_t ms, int volume);

    // Moves everything mixed before `ms` into `out` (interleaved stereo, appended).
    void take_until(uint32_t ms, std::vector<float>& out);
    // Off: the calls still count, but no sound is made (a run that only times the timeline).
    void set_mixing(bool on) { mixing_ = on; }

private:
    // Mixes up to the sample frame of `ms` with the state in force.
    void mix_until(uint32_t ms);

    struct Voice {
        const void* music = nullptr;
        std::shared_ptr<const std::vector<int16_t>> pcm;
        size_t position = 0;  // next sample frame of `pcm`
        int plays_left = 0;   // -1: for ever
    };
    Voice voice_;
    bool playing_ = false;
    bool mixing_ = true;
    int volume_ = 128;
    uint64_t mixed_frames_ = 0;
    std::vector<float> pending_;
    std::map<std::string, std::shared_ptr<const std::vector<int16_t>>> decoded_;
};

// The one soundtrack the wrapped music calls feed.
Soundtrack& soundtrack();
// Opens SDL_mixer on SDL's dummy audio driver, so Mix_LoadMUS answers the demo as it would
// (a missing or unreadable file gives null); nothing is ever played through it. Throws
// std::runtime_error when SDL_mixer cannot open it.
void open_mixer_for_loading();
void close_mixer();

}  // namespace capture
