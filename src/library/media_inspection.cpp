#include "library/media_inspection.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "library/file_hash.h"

namespace tandril::library {

namespace {

// A read-only file with a buffer, for the byte-by-byte sync search and the frame-by-frame walk.
class BufferedFile {
public:
    explicit BufferedFile(const std::filesystem::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~BufferedFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;
    bool Ok() const { return fd_ >= 0; }

    // The next byte, or -1 at the end.
    int Get() {
        if (pos_ == end_ && !Fill()) return -1;
        return static_cast<unsigned char>(buffer_[pos_++]);
    }
    // Up to n bytes; returns how many came.
    std::size_t Read(unsigned char* out, std::size_t n) {
        if (end_ - pos_ >= n) {  // the common case: a frame inside the buffer
            std::memcpy(out, buffer_.get() + pos_, n);
            pos_ += n;
            return n;
        }
        std::size_t got = 0;
        while (got < n) {
            if (pos_ == end_ && !Fill()) break;
            std::size_t chunk = std::min(n - got, end_ - pos_);
            std::copy_n(buffer_.get() + pos_, chunk, out + got);
            pos_ += chunk;
            got += chunk;
        }
        return got;
    }
    void Seek(std::uint64_t offset) {
        // A target inside the buffer costs no read: the walk seeks back and forth near its start.
        const std::uint64_t bufferStart = filePos_ - end_;
        if (offset >= bufferStart && offset <= filePos_) {
            pos_ = static_cast<std::size_t>(offset - bufferStart);
            return;
        }
        ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
        filePos_ = offset;
        pos_ = end_ = 0;
    }
    std::uint64_t Tell() const { return filePos_ - (end_ - pos_); }
    void Skip(std::uint64_t n) { Seek(Tell() + n); }

private:
    bool Fill() {
        ssize_t n = ::read(fd_, buffer_.get(), kBufferSize);
        if (n <= 0) return false;
        pos_ = 0;
        end_ = static_cast<std::size_t>(n);
        filePos_ += static_cast<std::uint64_t>(n);
        return true;
    }

    int fd_;
    // Large enough that most files up to the end of the hashing window come in one read. Left
    // unfilled: clearing it cost more than the read that fills it.
    static constexpr std::size_t kBufferSize = 320 * 1024;
    std::unique_ptr<char[]> buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t filePos_ = 0;
};

constexpr std::uint32_t kHashWindow = 300032;
constexpr std::uint32_t kMaxFrameLength = 4094;

// [MPEG-1, MPEG-2][Layer I, II, III][index 1..14]
constexpr std::uint16_t kBitrates[2][3][15] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                                {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                                {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                               {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                                {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                                {0, 8, 16, 24, 32, 64, 80, 56, 64, 128, 160, 112, 128, 256, 320}}};

constexpr std::uint32_t kFrequencies[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

// The whole size of an ID3v2 tag at the start of the file, or 0.
std::uint32_t Id3v2TagSize(BufferedFile& file) {
    unsigned char h[10];
    if (file.Read(h, 10) < 10 || h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] == 0xFF || h[4] == 0xFF) return 0;
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80) return 0;
    std::uint32_t size = (static_cast<std::uint32_t>(h[6]) << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
    return 10 + size + ((h[5] & 0x10) ? 10 : 0);
}

}  // namespace

std::uint32_t Mp3Bitrate(int version, int layer, int index) {
    if (version < 1 || version > 2 || layer < 1 || layer > 3 || index < 1 || index > 14) return 0;
    return kBitrates[version - 1][layer - 1][index];
}

std::uint32_t NearestStandardBitrate(std::uint32_t kbits) {
    static constexpr std::uint32_t kStandard[] = {8, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
    std::uint32_t best = 0;
    long long bestDiff = 1000;
    for (std::uint32_t v : kStandard) {
        long long diff = std::llabs(static_cast<long long>(v) - static_cast<long long>(kbits));
        if (diff < bestDiff) {
            bestDiff = diff;
            best = v;
        }
    }
    return best;
}

std::optional<MediaInfo> InspectMp3File(const std::filesystem::path& path, std::uint32_t size) {
    BufferedFile file(path);
    if (!file.Ok()) return std::nullopt;

    // An ID3v2 tag in front is skipped whole: its text may hold a 0xFF, 0xFE pair (a UTF-16 byte
    // order mark) that the sync search would take for a frame. Its bytes count as skipped.
    std::uint32_t skipped = Id3v2TagSize(file);
    file.Seek(skipped);
    // Frame sync: a 0xFF followed by a byte above 0xF0; what stands in front is skipped.
    for (int previous = -1;;) {
        int b = file.Get();
        if (b < 0) return std::nullopt;
        if (previous == 0xFF && b > 0xF0) break;
        previous = b;
        ++skipped;
    }
    skipped -= 1;  // the 0xFF belongs to the frame
    file.Seek(skipped + 1);

    MediaInfo info;
    // The window is gathered whole and hashed in one pass: MD5 fed frame by frame in pieces of
    // 2 and a few hundred bytes spends more time buffering than digesting.
    auto window = std::make_unique_for_overwrite<unsigned char[]>(kHashWindow);
    std::size_t windowSize = 0;
    window[windowSize++] = 0xFF;
    std::uint32_t hashed = 1;
    bool hashing = true, variable = false;
    std::uint32_t previousBitrate = 0, frames = 0, bitrateSum = 0;
    for (;;) {
        unsigned char header[2];
        if (file.Read(header, 2) < 2 || header[0] <= 0xF0) break;
        const unsigned char h1 = header[0], h2 = header[1];
        int version = (h1 & 0x08) ? 1 : 2;
        int layerBits = (h1 >> 1) & 3;
        int layer = layerBits == 3 ? 1 : layerBits == 2 ? 2 : 3;
        info.bitrate = Mp3Bitrate(version, layer, h2 >> 4);
        if (info.bitrate == 0) return std::nullopt;
        int frequencyIndex = (h2 >> 2) & 3;
        if (frequencyIndex == 3) return std::nullopt;
        info.frequency = kFrequencies[version - 1][frequencyIndex];
        std::uint32_t padding = (h2 >> 1) & 1;
        std::uint32_t frameLength = 144000 * info.bitrate / info.frequency + padding;
        if (frameLength > kMaxFrameLength) return std::nullopt;

        bool lastFrame = false;
        if (hashing) {
            long long take;
            if (hashed + frameLength > kHashWindow) {
                take = static_cast<long long>(kHashWindow) - 2 - hashed;
                hashing = false;
            } else {
                take = static_cast<long long>(frameLength) - 2;
            }
            if (take > 0) {
                // hashed + 2 + take never passes the window's end.
                window[windowSize] = header[0];
                window[windowSize + 1] = header[1];
                std::size_t got = file.Read(window.get() + windowSize + 2, static_cast<std::size_t>(take));
                windowSize += 2 + got;
                // Reading a frame's rest takes the next frame's first byte too: a file that ends
                // exactly with its last frame comes up one byte short, and that frame still counts.
                if (got + 1 == static_cast<std::size_t>(take) && file.Get() < 0) {
                    lastFrame = true;
                } else if (got < static_cast<std::size_t>(take)) {
                    return std::nullopt;
                }
                hashed += static_cast<std::uint32_t>(got) + 2;
            }
            if (!lastFrame && take != static_cast<long long>(frameLength) - 2) {
                if (!variable) break;
                file.Skip(static_cast<std::uint64_t>(static_cast<long long>(frameLength) - take - 2));
            }
        } else {
            file.Skip(frameLength - 2);
        }

        if (!variable && previousBitrate != 0 && previousBitrate != info.bitrate) {
            variable = true;
        } else {
            previousBitrate = info.bitrate;
        }
        bitrateSum += info.bitrate;
        ++frames;
        if (lastFrame) break;
    }
    if (frames < 5) return std::nullopt;

    std::uint32_t tag = 0;
    if (size >= 128) {
        file.Seek(size - 128);
        unsigned char t[3] = {};
        if (file.Read(t, 3) == 3 && (t[0] | 0x20) == 't' && (t[1] | 0x20) == 'a' && (t[2] | 0x20) == 'g') tag = 128;
    }
    std::uint32_t audioBytes = size - tag - skipped;
    // The bytes in front of the first frame are subtracted twice here, once in the byte count.
    std::uint32_t bits = static_cast<std::uint32_t>(8u * (audioBytes - skipped)) >> 10;
    if (variable) {
        std::uint32_t average = bitrateSum / frames;
        if (average == 0) return std::nullopt;
        info.length = bits / average + 6;
        info.bitrate = average;
    } else {
        info.length = bits / info.bitrate + 6;
    }
    Md5 md5;
    md5.Feed(window.get(), windowSize);
    info.hash = FileHashText(md5.Finish(), audioBytes);
    return info;
}

}  // namespace tandril::library
