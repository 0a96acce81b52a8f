#pragma once
// What the client works out itself about a media file: bitrate (kbit/s), sampling frequency (Hz),
// length (seconds) and, for MPEG audio, the file hash. The values and the frame walk are those
// every client of the network computes, quirks included, so that the same file announces the
// same way everywhere.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace tandril::library {

struct MediaInfo {
    std::uint32_t bitrate = 0;
    std::uint32_t frequency = 0;
    std::uint32_t length = 0;
    std::string hash;
};

// Nullopt when the file is not MPEG audio the walk accepts. `size` is the file's size in bytes.
std::optional<MediaInfo> InspectMp3File(const std::filesystem::path& path, std::uint32_t size);

// A Windows Media audio file, read from its ASF header: length from the play duration less the
// preroll, bitrate from the maximum bitrate, frequency from the first stream, which must be
// audio. A protected file is accepted with every value kDrmValue (shown "DRM"). No hash is set.
inline constexpr std::uint32_t kDrmValue = 0xFFFFFFFFu;
std::optional<MediaInfo> InspectWmaFile(const std::filesystem::path& path);

// The standard bitrate nearest to `kbits` (the smaller on a tie); 0 when none is within 1000.
std::uint32_t NearestStandardBitrate(std::uint32_t kbits);

// The bitrate table of the frame header, by MPEG version (1 or 2), layer (1 to 3) and index.
std::uint32_t Mp3Bitrate(int version, int layer, int index);

}  // namespace tandril::library
