// The demo's music as SDL_mixer would play it, mixed on the virtual clock.
#include "soundtrack.h"

#include <SDL.h>
#include <SDL_mixer.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "virtual_clock.h"

namespace capture {
namespace {

constexpr int MAX_VOLUME = MIX_MAX_VOLUME;

// Which file each piece of music the demo loaded came from.
std::map<const Mix_Music*, std::string>& music_files() {
    static std::map<const Mix_Music*, std::string> files;
    return files;
}

// Owners of the decoder's objects, released on every way out.
struct Decoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Decoder() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

// Converts the decoded frame (or, with none, what the resampler still holds) onto `out`.
bool convert(Decoder& d, const AVFrame* in, std::vector<int16_t>& out) {
    const int count = in != nullptr ? in->nb_samples : 0;
    const uint8_t** samples = in != nullptr ? const_cast<const uint8_t**>(in->extended_data) : nullptr;
    const int room = swr_get_out_samples(d.resampler, count);
    if (room < 0) {
        return false;
    }
    const size_t at = out.size();
    out.resize(at + size_t(room) * CHANNELS);
    auto* dst = reinterpret_cast<uint8_t*>(out.data() + at);
    const int made = swr_convert(d.resampler, &dst, room, samples, count);
    out.resize(at + size_t(std::max(made, 0)) * CHANNELS);
    return made >= 0;
}

bool receive_all(Decoder& d, std::vector<int16_t>& out) {
    for (;;) {
        const int got = avcodec_receive_frame(d.codec, d.frame);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
            return true;
        }
        if (got < 0 || !convert(d, d.frame, out)) {
            return false;
        }
        av_frame_unref(d.frame);
    }
}

}  // namespace

std::vector<int16_t> decode_sound_file(const std::string& path) {
    std::vector<int16_t> out;
    Decoder d;
    if (d.packet == nullptr || d.frame == nullptr ||
        avformat_open_input(&d.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(d.format, nullptr) < 0) {
        return {};
    }
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || (d.codec = avcodec_alloc_context3(codec)) == nullptr ||
        avcodec_parameters_to_context(d.codec, d.format->streams[stream]->codecpar) < 0) {
        return {};
    }
    // The decoder drops the encoder's delay and padding by the packets' times.
    d.codec->pkt_timebase = d.format->streams[stream]->time_base;
    if (avcodec_open2(d.codec, codec, nullptr) < 0) {
        return {};
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;  // not const: swr_alloc_set_opts2 takes it so
    if (swr_alloc_set_opts2(&d.resampler, &stereo, AV_SAMPLE_FMT_S16, SAMPLE_RATE_HZ, &d.codec->ch_layout,
                            d.codec->sample_fmt, d.codec->sample_rate, 0, nullptr) < 0 ||
        swr_init(d.resampler) < 0) {
        return {};
    }
    // Room for the whole file at once: the tune alone is 17 MB, and growing by doubling would
    // need half as much again.
    if (d.format->duration > 0) {
        out.reserve(size_t(av_rescale(d.format->duration, SAMPLE_RATE_HZ, AV_TIME_BASE) + SAMPLE_RATE_HZ) * CHANNELS);
    }
    // A damaged stretch is skipped as SDL_mixer would; a file that gives nothing is silence.
    while (av_read_frame(d.format, d.packet) >= 0) {
        if (d.packet->stream_index == stream && avcodec_send_packet(d.codec, d.packet) >= 0 &&
            !receive_all(d, out)) {
            break;
        }
        av_packet_unref(d.packet);
    }
    avcodec_send_packet(d.codec, nullptr);
    receive_all(d, out);
    convert(d, nullptr, out);
    out.shrink_to_fit();
    return out;
}

void Soundtrack::mix_until(uint32_t ms) {
    const uint64_t end = sample_at(ms);
    if (end <= mixed_frames_) {
        return;
    }
    size_t frames = size_t(end - mixed_frames_);
    mixed_frames_ = end;
    if (!mixing_) {
        return;
    }
    size_t at = pending_.size();
    pending_.resize(at + frames * CHANNELS, 0.0f);
    const float gain = float(volume_) / MAX_VOLUME / 32768.0f;
    while (playing_ && frames > 0) {
        const std::vector<int16_t>& pcm = *voice_.pcm;
        const size_t length = pcm.size() / CHANNELS;
        const size_t n = std::min(frames, length - voice_.position);
        const int16_t* src = pcm.data() + voice_.position * CHANNELS;
        for (size_t i = 0; i < n * CHANNELS; ++i) {
            pending_[at + i] = src[i] * gain;
        }
        at += n * CHANNELS;
        frames -= n;
        voice_.position += n;
        if (voice_.position == length) {
            // The loop restarts on the very next sample: the decoder left no gap to skip.
            voice_.position = 0;
            if (voice_.plays_left > 0) {
                --voice_.plays_left;
            }
            playing_ = voice_.plays_left != 0;
        }
    }
}

void Soundtrack::open_audio(uint32_t ms) {
    mix_until(ms);
    // Opening the device sets the music volume to full again.
    volume_ = MAX_VOLUME;
}

void Soundtrack::close_audio(uint32_t ms) {
    mix_until(ms);
    playing_ = false;
}

void Soundtrack::play(uint32_t ms, const void* music, const std::string& file, int loops) {
    mix_until(ms);
    playing_ = false;
    if (music == nullptr) {
        return;
    }
    auto& pcm = decoded_[file];
    if (pcm == nullptr) {
        pcm = std::make_shared<const std::vector<int16_t>>(decode_sound_file(file));
        // SDL_mixer took the file, FFmpeg gives nothing: the demo's sound for a broken file.
        if (pcm->empty()) {
            std::fprintf(stderr, "capture: warning: FFmpeg cannot decode %s; it stays silent\n", file.c_str());
        }
    }
    // As SDL_mixer counts: -1 for ever, 0 once like 1, otherwise that many times.
    voice_ = {music, pcm, 0, loops == 0 ? 1 : loops};
    playing_ = pcm->size() >= CHANNELS;
}

void Soundtrack::free_music(uint32_t ms, const void* music) {
    mix_until(ms);
    if (playing_ && voice_.music == music) {
        playing_ = false;
    }
}

int Soundtrack::volume(uint32_t ms, int volume) {
    mix_until(ms);
    const int before = volume_;
    if (volume >= 0) {
        volume_ = std::min(volume, MAX_VOLUME);
    }
    return before;
}

void Soundtrack::take_until(uint32_t ms, std::vector<float>& out) {
    mix_until(ms);
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
}

Soundtrack& soundtrack() {
    static Soundtrack s;
    return s;
}

}  // namespace capture

// ---------------------------------------------------------------------------
// The demo's music calls, wrapped: recorded on the clock, never played.

extern "C" {

int __real_Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
void __real_Mix_CloseAudio(void);
Mix_Music* __real_Mix_LoadMUS(const char* file);

void __real_Mix_FreeMusic(Mix_Music* music);

int __wrap_Mix_OpenAudio(int, Uint16, int, int) {
    capture::soundtrack().open_audio(headless::now_ms());
    return 0;
}

void __wrap_Mix_CloseAudio(void) {
    capture::soundtrack().close_audio(headless::now_ms());
}

Mix_Music* __wrap_Mix_LoadMUS(const char* file) {
    Mix_Music* music = __real_Mix_LoadMUS(file);
    if (music != nullptr) {
        capture::music_files()[music] = file;
    }
    return music;
}

int __wrap_Mix_PlayMusic(Mix_Music* music, int loops) {
    const auto it = capture::music_files().find(music);
    const std::string file = it != capture::music_files().end() ? it->second : "";
    capture::soundtrack().play(headless::now_ms(), music, file, loops);
    return music != nullptr ? 0 : -1;
}

void __wrap_Mix_FreeMusic(Mix_Music* music) {
    capture::soundtrack().free_music(headless::now_ms(), music);
    capture::music_files().erase(music);
    __real_Mix_FreeMusic(music);
}

int __wrap_Mix_VolumeMusic(int volume) {
    return capture::soundtrack().volume(headless::now_ms(), volume);
}

}  // extern "C"

namespace capture {

void open_mixer_for_loading() {
    // Without it every Mix_LoadMUS fails and the whole video would be silent.
    if (__real_Mix_OpenAudio(SAMPLE_RATE_HZ, AUDIO_S16SYS, CHANNELS, 1024) != 0) {
        throw std::runtime_error(std::string("SDL_mixer cannot open SDL's dummy audio device: ") + Mix_GetError());
    }
}

void close_mixer() { __real_Mix_CloseAudio(); }

}  // namespace capture
