// The video file: frames and sound encoded and muxed by FFmpeg's libraries, on a thread of their own.
#include "video_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <map>
#include <strings.h>

#include "runtime.h"
#include "soundtrack.h"

namespace capture {
namespace {

// H.264 at CRF 18 looks like the original (the superfast preset keeps a cycle over 3 times
// faster than real time on 2 cores); VP9 at CRF 32 keeps the preview clip small. FFV1
// version 3 codes slices in parallel and checks each with a CRC.
constexpr char H264[] = "preset=superfast:crf=18";
constexpr Container CONTAINERS[] = {
    {".mp4", false, "mp4", "libx264", H264, "aac", "H.264/AAC MP4"},
    {".mkv", false, "matroska", "libx264", H264, "aac", "H.264/AAC Matroska"},
    {".mkv", true, "matroska", "ffv1", "level=3:slices=4:slicecrc=1", "flac", "FFV1 RGB/FLAC Matroska"},
    {".webm", false, "webm", "libvpx-vp9", "crf=32:b=0:deadline=good:cpu-used=4:row-mt=1", "libopus",
     "VP9/Opus WebM"},
};

// What the demo's frames hold: SDL's ARGB8888, which is B, G, R, A in memory.
constexpr AVPixelFormat SOURCE_FORMAT = AV_PIX_FMT_BGRA;
constexpr int SOURCE_PITCH = SCREEN_WIDTH * 4;
// Frames waiting for the encoder; each is 3.7 MB.
constexpr size_t QUEUE_FRAMES = 4;
// A hint for the encoders' rate control: the demo's paced frame lasts 17 ms.
constexpr AVRational PACED_FRAME_RATE = {1000, int(FRAME_BUDGET_MS)};
constexpr AVRational MILLISECONDS = {1, 1000};
// RGB to YUV 4:2:0 at half the cost of the default filter, within 54 dB of exact 2 x 2
// averaging: far finer than what H.264 at CRF 18 keeps.
constexpr int TO_YUV_FLAGS = SWS_FAST_BILINEAR | SWS_FULL_CHR_H_INP;
constexpr int64_t AAC_BIT_RATE = 192000;
constexpr int64_t OPUS_BIT_RATE = 160000;

void check(int result, const char* what) {
    if (result < 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, reason, sizeof reason);
        throw EncodeError(std::string(what) + ": " + reason);
    }
}

template <typename T>
T* check_made(T* made, const char* what) {
    if (made == nullptr) {
        throw EncodeError(std::string(what) + " failed");
    }
    return made;
}

// Options for an FFmpeg call, freed on every way out.
struct Dictionary {
    AVDictionary* entries = nullptr;
    Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;
    ~Dictionary() { av_dict_free(&entries); }
};

AVFrame* new_picture(AVPixelFormat format, int width, int height) {
    AVFrame* frame = check_made(av_frame_alloc(), "picture");
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame, 0) < 0) {
        av_frame_free(&frame);
        throw EncodeError("no memory for a picture");
    }
    return frame;
}

}  // namespace

const Container* choose_container(const std::string& output, bool lossless, std::string& error) {
    const size_t dot = output.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : output.substr(dot);
    bool known = false;
    for (const Container& c : CONTAINERS) {
        if (strcasecmp(extension.c_str(), c.extension) == 0) {
            known = true;
            if (c.lossless == lossless) {
                return &c;
            }
        }
    }
    error = known ? "--lossless writes Matroska: OUTPUT must end in .mkv"
                  : "OUTPUT must end in .mp4, .mkv or .webm, not '" + extension + "'";
    return nullptr;
}

// Everything FFmpeg holds for one file; used by the worker thread only, once opened.
struct VideoFile::Encoder {
    const Container& container;
    const bool constant_rate;
    const AVRational frame_rate;
    AVFormatContext* file = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* video_stream = nullptr;
    AVStream* audio_stream = nullptr;
    SwsContext* upscale = nullptr;   // nearest pixel, in RGB, before a conversion to YUV
    SwsContext* convert = nullptr;   // to the encoder's pixel format
    AVFrame* enlarged = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    uint8_t** converted = nullptr;   // resampled sound, before the FIFO
    int converted_room = 0;
    int64_t sound_pts = 0;

    std::vector<uint8_t> shown;      // the frame on screen, not yet all written
    uint32_t shown_ms = 0;
    bool shown_converted = false;
    int64_t next_frame = 0;          // with a constant rate: the next frame index to write
    std::map<int64_t, int64_t> durations;  // frame pts -> how long it shows
    uint64_t frames = 0;

    Encoder(const Container& c, const Options& o);
    ~Encoder();
    // Opens the encoders and the file; throws EncodeError, leaving the rest to the destructor.
    void open(const std::string& path, const Options& o);
    void open_video(const Options& o);
    void open_audio();
    void add(uint32_t ms, std::vector<uint8_t>& pixels, const std::vector<float>& sound_in,
             std::vector<uint8_t>& released);
    void end(uint32_t ms, const std::vector<float>& sound_in);
    void show_until(uint32_t ms);
    void write_picture(int64_t pts, int64_t duration);
    // Resamples `count` sample frames into the FIFO and encodes each whole sound frame; with
    // `flush` (no samples), what the resampler still holds instead: the end of the stream.
    void add_sound(const float* samples, int count, bool flush);
    void encode_sound(int frames);
    void drain(AVCodecContext* codec, AVStream* stream);
};

VideoFile::Encoder::Encoder(const Container& c, const Options& o)
    : container(c),
      constant_rate(o.fps_num > 0),
      frame_rate(constant_rate ? AVRational{o.fps_num, o.fps_den} : PACED_FRAME_RATE) {}

void VideoFile::Encoder::open(const std::string& path, const Options& o) {
    check(avformat_alloc_output_context2(&file, nullptr, container.muxer, path.c_str()), "output format");
    packet = check_made(av_packet_alloc(), "packet");
    open_video(o);
    open_audio();
    check(avio_open(&file->pb, path.c_str(), AVIO_FLAG_WRITE), path.c_str());
    check(av_dict_set(&file->metadata, "title", "VELTRONAQUIS", 0), "file metadata");
    Dictionary muxer_options;
    // Players on the web start sooner with the MP4 index at the front (Matroska ignores it).
    check(av_dict_set(&muxer_options.entries, "movflags", "+faststart", 0), "muxer options");
    check(avformat_write_header(file, &muxer_options.entries), "writing the header");
    // The video starts with a black frame at 0, as the screen is black until the first present.
    shown.assign(size_t(SOURCE_PITCH) * SCREEN_HEIGHT, 0);
}

VideoFile::Encoder::~Encoder() {
    if (converted != nullptr) {
        av_freep(&converted[0]);
        av_freep(&converted);
    }
    av_audio_fifo_free(fifo);
    swr_free(&resampler);
    av_frame_free(&sound);
    av_frame_free(&picture);
    av_frame_free(&enlarged);
    sws_freeContext(convert);
    sws_freeContext(upscale);
    av_packet_free(&packet);
    avcodec_free_context(&audio);
    avcodec_free_context(&video);
    if (file != nullptr) {
        avio_closep(&file->pb);
        avformat_free_context(file);
    }
}

void VideoFile::Encoder::open_video(const Options& o) {
    const AVCodec* codec = avcodec_find_encoder_by_name(container.video_encoder);
    if (codec == nullptr) {
        throw EncodeError(std::string("FFmpeg has no ") + container.video_encoder + " encoder");
    }
    video = check_made(avcodec_alloc_context3(codec), "video encoder");
    video->width = SCREEN_WIDTH * o.scale;
    video->height = SCREEN_HEIGHT * o.scale;
    video->time_base = constant_rate ? av_inv_q(frame_rate) : MILLISECONDS;
    video->framerate = frame_rate;
    video->thread_count = 0;
    if (container.lossless) {
        video->pix_fmt = AV_PIX_FMT_BGR0;
    } else {
        video->pix_fmt = AV_PIX_FMT_YUV420P;
        video->colorspace = AVCOL_SPC_BT709;
        video->color_primaries = AVCOL_PRI_BT709;
        video->color_trc = AVCOL_TRC_BT709;
        video->color_range = AVCOL_RANGE_MPEG;
    }
    if (file->oformat->flags & AVFMT_GLOBALHEADER) {
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    Dictionary options;
    check(av_dict_parse_string(&options.entries, container.video_options, "=", ":", 0), "encoder options");
    check(avcodec_open2(video, codec, &options.entries), container.video_encoder);
    video_stream = check_made(avformat_new_stream(file, nullptr), "video stream");
    check(avcodec_parameters_from_context(video_stream->codecpar, video), "video stream");
    video_stream->time_base = video->time_base;

    picture = new_picture(video->pix_fmt, video->width, video->height);
    // Enlarging is nearest pixel in RGB; going to YUV then averages each 2 x 2 block's colour.
    int from_w = SCREEN_WIDTH;
    int from_h = SCREEN_HEIGHT;
    if (o.scale > 1 && !container.lossless) {
        upscale = check_made(sws_getContext(SCREEN_WIDTH, SCREEN_HEIGHT, SOURCE_FORMAT, video->width,
                                            video->height, SOURCE_FORMAT, SWS_POINT, nullptr, nullptr, nullptr),
                             "scaler");
        enlarged = new_picture(SOURCE_FORMAT, video->width, video->height);
        from_w = video->width;
        from_h = video->height;
    }
    convert = check_made(sws_getContext(from_w, from_h, SOURCE_FORMAT, video->width, video->height, video->pix_fmt,
                                        container.lossless ? SWS_POINT : TO_YUV_FLAGS, nullptr, nullptr, nullptr),
                         "scaler");
    if (!container.lossless) {
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(convert, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
}

void VideoFile::Encoder::open_audio() {
    const AVCodec* codec = avcodec_find_encoder_by_name(container.audio_encoder);
    if (codec == nullptr) {
        throw EncodeError(std::string("FFmpeg has no ") + container.audio_encoder + " encoder");
    }
    audio = check_made(avcodec_alloc_context3(codec), "audio encoder");
    audio->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLT;
    // Opus runs at 48 kHz only; the others take the demo's rate as it is.
    audio->sample_rate = SAMPLE_RATE_HZ;
    if (codec->supported_samplerates != nullptr) {
        const int* rate = codec->supported_samplerates;
        while (*rate != 0 && *rate != SAMPLE_RATE_HZ) {
            ++rate;
        }
        audio->sample_rate = *rate != 0 ? *rate : codec->supported_samplerates[0];
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;  // not const: swr_alloc_set_opts2 takes it so
    check(av_channel_layout_copy(&audio->ch_layout, &stereo), "audio layout");
    audio->bit_rate = container.lossless ? 0 : codec->id == AV_CODEC_ID_OPUS ? OPUS_BIT_RATE : AAC_BIT_RATE;
    audio->time_base = {1, audio->sample_rate};
    if (file->oformat->flags & AVFMT_GLOBALHEADER) {
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    check(avcodec_open2(audio, codec, nullptr), container.audio_encoder);
    audio_stream = check_made(avformat_new_stream(file, nullptr), "audio stream");
    check(avcodec_parameters_from_context(audio_stream->codecpar, audio), "audio stream");
    audio_stream->time_base = audio->time_base;

    check(swr_alloc_set_opts2(&resampler, &stereo, audio->sample_fmt, audio->sample_rate, &stereo,
                              AV_SAMPLE_FMT_FLT, SAMPLE_RATE_HZ, 0, nullptr),
          "resampler");
    check(swr_init(resampler), "resampler");
    fifo = check_made(av_audio_fifo_alloc(audio->sample_fmt, CHANNELS, 1), "sound buffer");
    sound = check_made(av_frame_alloc(), "sound frame");
}

// Writes the frame on screen for as long as it shows before `ms`.
void VideoFile::Encoder::show_until(uint32_t ms) {
    if (!constant_rate) {
        if (ms > shown_ms) {
            write_picture(shown_ms, ms - shown_ms);
        }
        return;
    }
    // Frame j of the constant rate shows what was presented last at or before j / rate.
    const int64_t per_ms = int64_t(1000) * frame_rate.den;
    const int64_t first_after = (int64_t(ms) * frame_rate.num + per_ms - 1) / per_ms;
    for (; next_frame < first_after; ++next_frame) {
        write_picture(next_frame, 1);
    }
}

void VideoFile::Encoder::add(uint32_t ms, std::vector<uint8_t>& pixels, const std::vector<float>& sound_in,
                             std::vector<uint8_t>& released) {
    show_until(ms);
    released.swap(shown);
    shown.swap(pixels);
    shown_ms = ms;
    shown_converted = false;
    add_sound(sound_in.data(), int(sound_in.size() / CHANNELS), false);
}

void VideoFile::Encoder::write_picture(int64_t pts, int64_t duration) {
    if (!shown_converted) {
        check(av_frame_make_writable(picture), "picture");
        const uint8_t* source[] = {shown.data()};
        const int source_pitch[] = {SOURCE_PITCH};
        if (upscale != nullptr) {
            check(av_frame_make_writable(enlarged), "picture");
            sws_scale(upscale, source, source_pitch, 0, SCREEN_HEIGHT, enlarged->data, enlarged->linesize);
            sws_scale(convert, enlarged->data, enlarged->linesize, 0, video->height, picture->data, picture->linesize);
        } else {
            sws_scale(convert, source, source_pitch, 0, SCREEN_HEIGHT, picture->data, picture->linesize);
        }
        shown_converted = true;
    }
    picture->pts = pts;
    durations[pts] = duration;
    check(avcodec_send_frame(video, picture), "encoding video");
    ++frames;
    drain(video, video_stream);
}

void VideoFile::Encoder::add_sound(const float* samples, int count, bool flush) {
    if (!flush && count == 0) {
        return;
    }
    const int bound = swr_get_out_samples(resampler, count);
    check(bound, "resampling");
    // Room for one sample frame at least, so that there is a buffer to convert into.
    const int room = std::max(bound, 1);
    if (room > converted_room) {
        if (converted != nullptr) {
            av_freep(&converted[0]);
            av_freep(&converted);
        }
        check(av_samples_alloc_array_and_samples(&converted, nullptr, CHANNELS, room, audio->sample_fmt, 0),
              "sound buffer");
        converted_room = room;
    }
    const uint8_t* in[] = {reinterpret_cast<const uint8_t*>(samples)};
    const int made = swr_convert(resampler, converted, room, flush ? nullptr : in, count);
    check(made, "resampling");
    if (made > 0) {
        check(av_audio_fifo_write(fifo, reinterpret_cast<void**>(converted), made), "sound buffer");
    }
    const int frame_size = audio->frame_size > 0 ? audio->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= frame_size) {
        encode_sound(frame_size);
    }
}

void VideoFile::Encoder::encode_sound(int count) {
    av_frame_unref(sound);
    sound->format = audio->sample_fmt;
    sound->sample_rate = audio->sample_rate;
    sound->nb_samples = count;
    check(av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout), "sound frame");
    check(av_frame_get_buffer(sound, 0), "sound frame");
    const int read = av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->data), count);
    check(read, "sound buffer");
    // An encoder with whole frames only gets the last one filled up with silence.
    if (read < count) {
        av_samples_set_silence(sound->data, read, count - read, CHANNELS, audio->sample_fmt);
    }
    sound->pts = sound_pts;
    sound_pts += count;
    check(avcodec_send_frame(audio, sound), "encoding sound");
    drain(audio, audio_stream);
}

void VideoFile::Encoder::end(uint32_t ms, const std::vector<float>& sound_in) {
    show_until(ms);
    add_sound(sound_in.data(), int(sound_in.size() / CHANNELS), false);
    add_sound(nullptr, 0, true);
    const int rest = av_audio_fifo_size(fifo);
    if (rest > 0) {
        const bool small_last = audio->codec->capabilities &
                                (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        encode_sound(small_last ? rest : audio->frame_size);
    }
    check(avcodec_send_frame(video, nullptr), "encoding video");
    drain(video, video_stream);
    check(avcodec_send_frame(audio, nullptr), "encoding sound");
    drain(audio, audio_stream);
    check(av_write_trailer(file), "finishing the file");
    check(avio_closep(&file->pb), "closing the file");
}

void VideoFile::Encoder::drain(AVCodecContext* codec, AVStream* stream) {
    for (;;) {
        const int got = avcodec_receive_packet(codec, packet);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
            return;
        }
        check(got, "encoding");
        if (codec == video) {
            const auto it = durations.find(packet->pts);
            if (it != durations.end()) {
                packet->duration = it->second;
                durations.erase(it);
            }
        }
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        check(av_interleaved_write_frame(file, packet), "writing the file");
    }
}

// ---------------------------------------------------------------------------

VideoFile::VideoFile(const std::string& path, const Container& container, const Options& options)
    : encoder_(std::make_unique<Encoder>(container, options)) {
    encoder_->open(path, options);
    worker_ = std::thread([this] { work(); });
}

VideoFile::~VideoFile() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

int VideoFile::width() const { return encoder_->video->width; }
int VideoFile::height() const { return encoder_->video->height; }

std::vector<uint8_t> VideoFile::frame_buffer() {
    std::lock_guard<std::mutex> guard(lock_);
    if (spare_buffers_.empty()) {
        return std::vector<uint8_t>(size_t(SOURCE_PITCH) * SCREEN_HEIGHT);
    }
    std::vector<uint8_t> buffer = std::move(spare_buffers_.back());
    spare_buffers_.pop_back();
    return buffer;
}

void VideoFile::push(Item item) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return failed_ || queue_.size() < QUEUE_FRAMES; });
    if (failed_) {
        throw EncodeError(failure_);
    }
    queue_.push_back(std::move(item));
    changed_.notify_all();
}

void VideoFile::add_frame(uint32_t ms, std::vector<uint8_t> pixels, std::vector<float> sound) {
    push({ms, std::move(pixels), std::move(sound)});
}

void VideoFile::finish(uint32_t ms, std::vector<float> sound) {
    push({ms, {}, std::move(sound)});
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return failed_ || finished_; });
    if (failed_) {
        throw EncodeError(failure_);
    }
    frames_written_ = encoder_->frames;
}

void VideoFile::work() {
    for (;;) {
        Item item;
        {
            std::unique_lock<std::mutex> guard(lock_);
            changed_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        changed_.notify_all();
        const bool last = item.pixels.empty();
        bool failed = false;
        try {
            std::vector<uint8_t> released;
            if (last) {
                encoder_->end(item.ms, item.sound);
            } else {
                encoder_->add(item.ms, item.pixels, item.sound, released);
            }
            std::lock_guard<std::mutex> guard(lock_);
            finished_ = last;
            if (!released.empty()) {
                spare_buffers_.push_back(std::move(released));
            }
        } catch (const std::exception& e) {
            // Any failure here, FFmpeg's or the library's (no memory), ends the capture on
            // the demo's thread, which removes the partial file.
            std::lock_guard<std::mutex> guard(lock_);
            failure_ = e.what();
            failed_ = failed = true;
        } catch (...) {
            std::lock_guard<std::mutex> guard(lock_);
            failure_ = "unknown failure";
            failed_ = failed = true;
        }
        changed_.notify_all();
        if (last || failed) {
            return;
        }
    }
}

}  // namespace capture
