#include "player/mpg123_decoder.h"

#include <mpg123.h>

#include <cstring>
#include <mutex>

#include "player/engine_codes.h"

namespace tandril::player {

namespace {

// MPEG audio frames are at most a few kilobytes and libmpg123 skips at most 64 KiB of junk before
// the first one: a stream still silent this far past its tag holds no MPEG audio.
constexpr uint64_t kMaxBytesBeforeSound = 128 * 1024;
constexpr long kResyncLimit = 32 * 1024;

// The size of an ID3v2 tag (header, footer and all) at the start of `block`, or 0.
uint64_t Id3v2TagSize(std::span<const std::byte> block) {
    if (block.size() < 10 || block[0] != std::byte{'I'} || block[1] != std::byte{'D'} || block[2] != std::byte{'3'}) return 0;
    uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        auto b = std::to_integer<uint8_t>(block[i]);
        if (b & 0x80) return 0;  // not a synchsafe size: not a tag
        size = (size << 7) | b;
    }
    const bool footer = (std::to_integer<uint8_t>(block[5]) & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// libmpg123 before 1.27 needs this once per process; later versions do nothing here.
void InitLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

}  // namespace

Mpg123Decoder::~Mpg123Decoder() {
    if (handle_) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
    }
}

bool Mpg123Decoder::Setup(std::string& error) {
    InitLibraryOnce();
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (!handle_) {
        error = mpg123_plain_strerror(err);
        return false;
    }
    // Quiet: input from the network is not ours to print about. Gapless: the LAME tag's encoder
    // delay and padding are cut, so that a track is exactly as long as what was encoded.
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
    // The library gives up after 1 KiB that is not a frame; a scratch of a few kilobytes in a
    // shared file (or a stream) should not end the track.
    mpg123_param(handle_, MPG123_RESYNC_LIMIT, kResyncLimit, 0.0);
    // Whatever the stream's rate and channels, the output is 16-bit: the one PCM form of the sinks.
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return true;
}

std::unique_ptr<Mpg123Decoder> Mpg123Decoder::OpenFile(const std::filesystem::path& path, std::string& error) {
    std::unique_ptr<Mpg123Decoder> decoder(new Mpg123Decoder());
    if (!decoder->Setup(error)) return nullptr;
    if (mpg123_open(decoder->handle_, path.c_str()) != MPG123_OK) {
        error = mpg123_strerror(decoder->handle_);
        return nullptr;
    }
    return decoder;
}

std::unique_ptr<Mpg123Decoder> Mpg123Decoder::OpenFeed(std::string& error) {
    std::unique_ptr<Mpg123Decoder> decoder(new Mpg123Decoder());
    if (!decoder->Setup(error)) return nullptr;
    if (mpg123_open_feed(decoder->handle_) != MPG123_OK) {
        error = mpg123_strerror(decoder->handle_);
        return nullptr;
    }
    decoder->feed_ = true;
    return decoder;
}

int Mpg123Decoder::Fail(int mpg123Code) {
    lastError_ = mpg123_plain_strerror(mpg123Code);
    return mpg123Code > 0 ? kMpg123ErrorBase - mpg123Code : kEngineDecodeError;
}

int Mpg123Decoder::Feed(std::span<const std::byte> block) {
    if (!handle_ || !feed_) return kEngineNotStarted;
    if (block.empty()) return kEngineOk;
    if (!heardSound_) {
        if (bytesBeforeSound_ == 0) leadingTagBytes_ = Id3v2TagSize(block);
        bytesBeforeSound_ += block.size();
        if (bytesBeforeSound_ > leadingTagBytes_ + kMaxBytesBeforeSound) return Fail(MPG123_RESYNC_FAIL);
    }
    int rc = mpg123_feed(handle_, reinterpret_cast<const unsigned char*>(block.data()), block.size());
    if (rc != MPG123_OK) return Fail(rc == MPG123_ERR ? mpg123_errcode(handle_) : rc);
    return kEngineOk;
}

void Mpg123Decoder::UpdateInfo() {
    mpg123_frameinfo2 frame{};
    if (mpg123_info2(handle_, &frame) != MPG123_OK) return;
    info_.codec = Codec::kMpeg;
    info_.mpegVersion = frame.version == MPG123_1_0 ? 1 : 2;
    info_.mpeg25 = frame.version == MPG123_2_5;
    info_.layer = frame.layer;
    info_.sampleRate = static_cast<int>(frame.rate);
    info_.channels = frame.mode == MPG123_M_MONO ? 1 : 2;
    if (framesSeen_ > 0 && frame.bitrate != info_.bitrateKbps && !info_.variableBitrate) info_.variableBitrate = true;
    if (frame.vbr != MPG123_CBR) info_.variableBitrate = true;
    ++framesSeen_;
    bitrateSum_ += frame.bitrate;
    // Every frame of a stream holds the same number of samples, so the mean of the frames'
    // bitrates is the stream's average bitrate.
    info_.bitrateKbps = info_.variableBitrate ? static_cast<int>((bitrateSum_ + framesSeen_ / 2) / framesSeen_) : frame.bitrate;
}

int Mpg123Decoder::Decode(std::vector<int16_t>& pcm) {
    pcm.clear();
    if (!handle_) return kEngineNotStarted;
    off_t frameNumber = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    int rc = mpg123_decode_frame(handle_, &frameNumber, &audio, &bytes);
    switch (rc) {
        case MPG123_NEW_FORMAT: {
            long rate = 0;
            int channels = 0, encoding = 0;
            if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_SIGNED_16) {
                return Fail(MPG123_BAD_OUTFORMAT);
            }
            format_ = {static_cast<int>(rate), channels};
            return kEngineOk;
        }
        case MPG123_OK:
            UpdateInfo();
            if (bytes > 0 && audio) {
                heardSound_ = true;
                pcm.resize(bytes / sizeof(int16_t));
                std::memcpy(pcm.data(), audio, pcm.size() * sizeof(int16_t));
            }
            return kEngineOk;
        case MPG123_NEED_MORE:
            return feed_ ? kNeedMoreData : kEngineEndOfStream;
        case MPG123_DONE:
            return kEngineEndOfStream;
        default:
            return Fail(rc == MPG123_ERR ? mpg123_errcode(handle_) : rc);
    }
}

}  // namespace tandril::player
