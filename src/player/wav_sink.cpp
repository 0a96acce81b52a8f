#include "player/wav_sink.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace tandril::player {

namespace {

// The RIFF sizes are 32-bit; past this a file could no longer say how long it is.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

void PutLe(std::array<unsigned char, 44>& header, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) header[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

WavSink::WavSink(std::filesystem::path path) : path_(std::move(path)) {}

WavSink::~WavSink() {
    Close();
}

SinkResult WavSink::Connect() {
    if (file_) return {};
    file_.reset(std::fopen(path_.c_str(), "wb"));
    if (!file_) return SinkResult::Failure("cannot create " + path_.string() + ": " + std::strerror(errno));
    dataBytes_ = 0;
    format_ = {};
    return {};
}

SinkResult WavSink::Open(const AudioFormat& format) {
    if (!format.Valid()) return SinkResult::Failure("invalid format");
    if (auto connected = Connect(); !connected.ok) return connected;
    if (format_.Valid() && !(format_ == format)) return SinkResult::Failure("a WAV file cannot change its format");
    format_ = format;
    if (!WriteHeader()) return SinkResult::Failure("cannot write " + path_.string());
    return {};
}

bool WavSink::WriteHeader() {
    std::array<unsigned char, 44> header{};
    std::memcpy(&header[0], "RIFF", 4);
    PutLe(header, 4, static_cast<uint32_t>(36 + dataBytes_), 4);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    PutLe(header, 16, 16, 4);
    PutLe(header, 20, 1, 2);  // PCM
    PutLe(header, 22, static_cast<uint32_t>(format_.channels), 2);
    PutLe(header, 24, static_cast<uint32_t>(format_.sampleRate), 4);
    PutLe(header, 28, static_cast<uint32_t>(format_.sampleRate * format_.channels * 2), 4);
    PutLe(header, 32, static_cast<uint32_t>(format_.channels * 2), 2);
    PutLe(header, 34, 16, 2);
    std::memcpy(&header[36], "data", 4);
    PutLe(header, 40, static_cast<uint32_t>(dataBytes_), 4);
    long end = std::ftell(file_.get());
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file_.get()) == header.size();
    if (end > static_cast<long>(header.size())) ok = ok && std::fseek(file_.get(), end, SEEK_SET) == 0;
    return ok;
}

bool WavSink::Write(std::span<const int16_t> samples) {
    if (aborted_ || !file_ || !format_.Valid()) return false;
    uint64_t bytes = samples.size_bytes();
    if (dataBytes_ + bytes > kMaxDataBytes) return false;
    size_t written = 0;
    if constexpr (std::endian::native == std::endian::little) {
        written = std::fwrite(samples.data(), 1, bytes, file_.get());
    } else {
        std::vector<uint16_t> swapped(samples.size());
        for (size_t i = 0; i < samples.size(); ++i) {
            auto v = static_cast<uint16_t>(samples[i]);
            swapped[i] = static_cast<uint16_t>((v >> 8) | (v << 8));
        }
        written = std::fwrite(swapped.data(), 1, bytes, file_.get());
    }
    dataBytes_ += written;
    return written == bytes;
}

bool WavSink::Drain() {
    return !aborted_ && file_ && std::fflush(file_.get()) == 0;
}

void WavSink::Close() {
    if (!file_) return;
    if (format_.Valid()) WriteHeader();
    file_.reset();
}

}  // namespace tandril::player
