#include "player/ffmpeg_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <mutex>

#include "player/engine_codes.h"

namespace tandril::player {

namespace {

// A damaged file can hold a run of packets the codec refuses; past this many in a row it is not
// a scratch any more but something that is not this codec's data.
constexpr int kMaxBadPacketsInARow = 32;

std::string AvErrorText(int averror) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof text);
    return text;
}

bool IsWindowsMedia(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO || id == AV_CODEC_ID_WMALOSSLESS ||
           id == AV_CODEC_ID_WMAVOICE;
}

}  // namespace

FfmpegDecoder::~FfmpegDecoder() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    swr_free(&resampler_);
    avcodec_free_context(&codec_);
    avformat_close_input(&container_);
}

int FfmpegDecoder::OnInterruptCheck(void* self) {
    return static_cast<FfmpegDecoder*>(self)->interrupted_ ? 1 : 0;
}

std::unique_ptr<FfmpegDecoder> FfmpegDecoder::OpenFile(const std::filesystem::path& path, std::string& error) {
    // FFmpeg prints every damaged packet to stderr by default; a file's faults are reported
    // through the decoder's codes instead. This is process-wide, and nothing else here wants the log.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
    std::unique_ptr<FfmpegDecoder> decoder(new FfmpegDecoder());
    if (!decoder->Open(path)) {
        error = decoder->lastError_;
        return nullptr;
    }
    return decoder;
}

bool FfmpegDecoder::Open(const std::filesystem::path& path) {
    container_ = avformat_alloc_context();
    if (!container_) return Fail(AVERROR(ENOMEM)), false;
    container_->interrupt_callback.callback = &FfmpegDecoder::OnInterruptCheck;
    container_->interrupt_callback.opaque = this;
    // A name is a file's name, whatever it holds: "concat:", "http:" and the other protocols that
    // FFmpeg would read from a name's prefix are refused.
    std::error_code ignored;
    const std::string url = "file:" + std::filesystem::absolute(path, ignored).string();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // On failure avformat_open_input frees the context and clears the pointer.
    int opened = avformat_open_input(&container_, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return Fail(opened), false;
    if (int rc = avformat_find_stream_info(container_, nullptr); rc < 0) return Fail(rc), false;
    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(container_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) return Fail(streamIndex_ < 0 ? streamIndex_ : AVERROR_DECODER_NOT_FOUND), false;
    const AVCodecParameters* parameters = container_->streams[streamIndex_]->codecpar;
    codec_ = avcodec_alloc_context3(codec);
    if (!codec_) return Fail(AVERROR(ENOMEM)), false;
    if (int rc = avcodec_parameters_to_context(codec_, parameters); rc < 0) return Fail(rc), false;
    if (int rc = avcodec_open2(codec_, codec, nullptr); rc < 0) return Fail(rc), false;
    const int inChannels = codec_->ch_layout.nb_channels;
    if (inChannels <= 0 || codec_->sample_rate <= 0) return Fail(AVERROR_INVALIDDATA), false;

    // The sinks take 16-bit PCM in one or two channels: anything wider is mixed down to stereo.
    AVChannelLayout inLayout{}, outLayout{};
    if (codec_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&inLayout, inChannels);
    } else if (int rc = av_channel_layout_copy(&inLayout, &codec_->ch_layout); rc < 0) {
        return Fail(rc), false;
    }
    av_channel_layout_default(&outLayout, std::min(inChannels, 2));
    int rc = swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_S16, codec_->sample_rate, &inLayout, codec_->sample_fmt,
                                 codec_->sample_rate, 0, nullptr);
    format_ = {codec_->sample_rate, outLayout.nb_channels};
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (rc < 0) return Fail(rc), false;
    if (rc = swr_init(resampler_); rc < 0) return Fail(rc), false;
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!packet_ || !frame_) return Fail(AVERROR(ENOMEM)), false;

    info_.codec = IsWindowsMedia(codec_->codec_id) ? Codec::kWma : Codec::kNone;
    int64_t bitRate = codec_->bit_rate > 0 ? codec_->bit_rate : container_->bit_rate;
    info_.bitrateKbps = static_cast<int>(std::max<int64_t>(0, (bitRate + 500) / 1000));
    info_.sampleRate = codec_->sample_rate;
    info_.channels = inChannels;
    return true;
}

int FfmpegDecoder::Fail(int averror) {
    lastError_ = AvErrorText(averror);
    return averror == AVERROR_EXIT && interrupted_ ? kEngineStopped : kEngineDecodeError;
}

int FfmpegDecoder::Convert(std::vector<int16_t>& pcm) {
    const int capacity = swr_get_out_samples(resampler_, frame_->nb_samples);
    if (capacity < 0) return Fail(capacity);
    pcm.resize(static_cast<size_t>(capacity) * format_.channels);
    auto* out = reinterpret_cast<uint8_t*>(pcm.data());
    int frames = swr_convert(resampler_, &out, capacity, const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
    av_frame_unref(frame_);
    if (frames < 0) {
        pcm.clear();
        return Fail(frames);
    }
    pcm.resize(static_cast<size_t>(frames) * format_.channels);
    return kEngineOk;
}

int FfmpegDecoder::Decode(std::vector<int16_t>& pcm) {
    pcm.clear();
    if (!codec_) return kEngineNotStarted;
    for (;;) {
        if (interrupted_) return kEngineStopped;
        int rc = avcodec_receive_frame(codec_, frame_);
        if (rc == 0) {
            badPacketsInARow_ = 0;
            return Convert(pcm);
        }
        if (rc == AVERROR_EOF) return kEngineEndOfStream;
        if (rc == AVERROR_INVALIDDATA && ++badPacketsInARow_ <= kMaxBadPacketsInARow) continue;
        if (rc != AVERROR(EAGAIN)) return Fail(rc);
        if (draining_) return kEngineEndOfStream;

        rc = av_read_frame(container_, packet_);
        // A file cut short ends where it ends: what was read so far still plays.
        if (rc == AVERROR_EOF || (rc < 0 && rc != AVERROR_EXIT && container_->pb && avio_feof(container_->pb))) {
            // Hands the codec's last buffered frames out before the end.
            avcodec_send_packet(codec_, nullptr);
            draining_ = true;
            continue;
        }
        if (rc < 0) return Fail(rc);
        if (packet_->stream_index != streamIndex_) {
            av_packet_unref(packet_);
            continue;
        }
        rc = avcodec_send_packet(codec_, packet_);
        av_packet_unref(packet_);
        if (rc == 0) {
            badPacketsInARow_ = 0;
        } else if (rc == AVERROR_INVALIDDATA) {
            if (++badPacketsInARow_ > kMaxBadPacketsInARow) return Fail(rc);
        } else if (rc != AVERROR(EAGAIN)) {
            return Fail(rc);
        }
    }
}

}  // namespace tandril::player
