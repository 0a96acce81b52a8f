#pragma once
// Windows Media audio (and whatever else FFmpeg reads) through libavformat and libavcodec.

#include <atomic>
#include <filesystem>
#include <memory>

#include "player/decoder.h"

struct AVFormatContext;
struct AVCodecContext;
struct SwrContext;
struct AVPacket;
struct AVFrame;

namespace tandril::player {

class FfmpegDecoder : public Decoder {
public:
    ~FfmpegDecoder() override;
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    // nullptr when the file cannot be opened or holds no audio it can decode (`error` says why).
    static std::unique_ptr<FfmpegDecoder> OpenFile(const std::filesystem::path& path, std::string& error);

    int Decode(std::vector<int16_t>& pcm) override;
    AudioFormat Format() const override { return format_; }
    StreamInfo Info() const override { return info_; }
    std::string LastErrorText() const override { return lastError_; }
    void Interrupt() override { interrupted_ = true; }

private:
    FfmpegDecoder() = default;
    bool Open(const std::filesystem::path& path);
    int Fail(int averror);
    int Convert(std::vector<int16_t>& pcm);
    static int OnInterruptCheck(void* self);

    AVFormatContext* container_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int streamIndex_ = -1;
    bool draining_ = false;
    int badPacketsInARow_ = 0;
    AudioFormat format_;
    StreamInfo info_;
    std::string lastError_;
    std::atomic<bool> interrupted_{false};
};

}  // namespace tandril::player
