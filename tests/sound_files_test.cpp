// The committed countdown samples and main tune: they open as MP3, last as long as their scenes need, and the tune loops seamlessly.
#include <SDL.h>
#include <SDL_mixer.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int SAMPLE_RATE_HZ = 44100;
constexpr double DIGIT_MAX_S = 57 / 60.0;
constexpr double DIGIT_MIN_S = 0.2;
// The tune plays from the intro lines to past the closing fade's last volume step, 228.4 s on.
constexpr double TUNE_MIN_S = 228.5;

struct SoundFile {
    const char* path;
    double min_s;
    double max_s;
};
constexpr SoundFile SOUND_FILES[] = {
    {"sfx/3.mp3", DIGIT_MIN_S, DIGIT_MAX_S},          // each digit shows for 57 frames
    {"sfx/2.mp3", DIGIT_MIN_S, DIGIT_MAX_S},
    {"sfx/1.mp3", DIGIT_MIN_S, DIGIT_MAX_S},
    {"sfx/0.mp3", DIGIT_MIN_S, DIGIT_MAX_S},
    {"sfx/Quorvintabe.mp3", TUNE_MIN_S, 600.0},       // the main tune
};
static_assert(std::size(SOUND_FILES) == 5, "four digits and the tune");

// Opens the audio device as the demo does, with the MP3 decoder loaded.
class AudioDevice {
public:
    AudioDevice() {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        SDL_InitSubSystem(SDL_INIT_AUDIO);
        mp3_ = (Mix_Init(MIX_INIT_MP3) & MIX_INIT_MP3) != 0;
        open_ = Mix_OpenAudio(SAMPLE_RATE_HZ, AUDIO_S16MSB, 2, 1024) == 0;
    }
    ~AudioDevice() {
        if (open_) {
            Mix_CloseAudio();
        }
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;
    bool mp3() const { return mp3_; }
    bool open() const { return open_; }

private:
    bool mp3_ = false;
    bool open_ = false;
};

struct FrameHeader {
    bool found = false;
    int sample_rate_hz = 0;
    bool mono = false;
};

// The first MPEG-1 Layer III frame header, after an ID3v2 tag if there is one.
FrameHeader first_frame_header(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    size_t at = 0;
    if (bytes.size() >= 10 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3') {
        at = 10 + ((bytes[6] & 0x7F) << 21 | (bytes[7] & 0x7F) << 14 | (bytes[8] & 0x7F) << 7 |
                   (bytes[9] & 0x7F));
    }
    FrameHeader header;
    if (at + 4 > bytes.size() || bytes[at] != 0xFF || (bytes[at + 1] & 0xFE) != 0xFA) {
        return header;
    }
    constexpr int MPEG1_RATES_HZ[] = {44100, 48000, 32000, 0};
    header.found = true;
    header.sample_rate_hz = MPEG1_RATES_HZ[(bytes[at + 2] >> 2) & 3];
    header.mono = (bytes[at + 3] >> 6) == 3;
    return header;
}

// What the mixer sends to the device while the tune plays, as 16-bit frames.
struct Capture {
    std::mutex lock;
    std::vector<int16_t> samples;
    std::atomic<bool> on{false};
};

void capture_mix(void* user, Uint8* stream, int len) {
    auto* capture = static_cast<Capture*>(user);
    if (!capture->on) {
        return;
    }
    std::lock_guard<std::mutex> guard(capture->lock);
    for (int i = 0; i + 1 < len; i += 2) {
        capture->samples.push_back(static_cast<int16_t>(stream[i] << 8 | stream[i + 1]));
    }
}

}  // namespace

TEST(SoundFiles, EachOpensAsStereo44kHzMp3WithTheLengthItsSceneNeeds) {
    AudioDevice device;
    ASSERT_TRUE(device.mp3()) << "SDL_mixer has no MP3 support: " << Mix_GetError();
    ASSERT_TRUE(device.open()) << Mix_GetError();
    for (const SoundFile& file : SOUND_FILES) {
        SCOPED_TRACE(file.path);
        const FrameHeader header = first_frame_header(file.path);
        ASSERT_TRUE(header.found) << "no MPEG-1 Layer III frame at the start";
        EXPECT_EQ(header.sample_rate_hz, SAMPLE_RATE_HZ);
        EXPECT_FALSE(header.mono);

        Mix_Music* music = Mix_LoadMUS(file.path);
        ASSERT_NE(music, nullptr) << Mix_GetError();
        EXPECT_EQ(Mix_GetMusicType(music), MUS_MP3);
#if SDL_MIXER_VERSION_ATLEAST(2, 6, 0)
        const double length_s = Mix_MusicDuration(music);
        EXPECT_GE(length_s, file.min_s);
        EXPECT_LT(length_s, file.max_s);
#endif
        Mix_FreeMusic(music);
    }
}

#if SDL_MIXER_VERSION_ATLEAST(2, 6, 0)
TEST(SoundFiles, TuneEndsInSilenceAndLoopsStraightIntoItsStart) {
    AudioDevice device;
    ASSERT_TRUE(device.open()) << Mix_GetError();
    Mix_Music* music = Mix_LoadMUS("sfx/Quorvintabe.mp3");
    ASSERT_NE(music, nullptr) << Mix_GetError();

    // The decoder drops the encoder's delay and padding, so the length is exact to the sample.
    const double length_samples = Mix_MusicDuration(music) * SAMPLE_RATE_HZ;
    EXPECT_NEAR(length_samples, std::round(length_samples), 0.01);

    // Play across the loop point in real time: the tune's last moments are silent and its
    // first sample starts the downbeat, so sound must come back right at the loop point.
    Capture capture;
    Mix_SetPostMix(capture_mix, &capture);
    constexpr double BEFORE_LOOP_S = 0.3;
    constexpr size_t LISTEN_FRAMES = SAMPLE_RATE_HZ * 7 / 10;
    constexpr auto LISTEN_LIMIT = std::chrono::seconds(5);
    ASSERT_EQ(Mix_PlayMusic(music, -1), 0) << Mix_GetError();
    ASSERT_EQ(Mix_SetMusicPosition(Mix_MusicDuration(music) - BEFORE_LOOP_S), 0) << Mix_GetError();
    capture.on = true;
    const auto listen_start = std::chrono::steady_clock::now();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::lock_guard<std::mutex> guard(capture.lock);
        if (capture.samples.size() / 2 >= LISTEN_FRAMES ||
            std::chrono::steady_clock::now() - listen_start > LISTEN_LIMIT) {
            break;
        }
    }
    capture.on = false;
    EXPECT_EQ(Mix_PlayingMusic(), 1) << "the tune stopped at its end";
    Mix_HaltMusic();
    Mix_SetPostMix(nullptr, nullptr);
    Mix_FreeMusic(music);

    std::lock_guard<std::mutex> guard(capture.lock);
    const size_t frames = capture.samples.size() / 2;
    ASSERT_GE(frames, LISTEN_FRAMES) << "too little was played to pass the loop point";
    // A decoder that kept the encoder delay and padding would bring the start back over a
    // thousand frames late; one mixer chunk may go by between the seek and the listening.
    constexpr int QUIET_LEVEL = 16;
    constexpr long LOOP_FRAME = static_cast<long>(BEFORE_LOOP_S * SAMPLE_RATE_HZ);
    constexpr long CHUNK_FRAMES = 1024;
    constexpr long LATE_FRAMES = 256;
    long first_sound = -1;
    for (size_t i = 0; i < frames && first_sound < 0; ++i) {
        if (std::abs(capture.samples[2 * i]) > QUIET_LEVEL || std::abs(capture.samples[2 * i + 1]) > QUIET_LEVEL) {
            first_sound = static_cast<long>(i);
        }
    }
    ASSERT_GE(first_sound, 0) << "silence across the loop point";
    EXPECT_GE(first_sound, LOOP_FRAME - CHUNK_FRAMES - LATE_FRAMES) << "sound before the tune's end";
    EXPECT_LE(first_sound, LOOP_FRAME + LATE_FRAMES) << "the start came back " << first_sound - LOOP_FRAME
                                                    << " frames after the loop point";
}
#endif
