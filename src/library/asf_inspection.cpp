#include <array>
#include <cstring>
#include <fstream>
#include <vector>

#include "library/media_inspection.h"

namespace tandril::library {

namespace {

using Guid = std::array<unsigned char, 16>;

// A GUID as ASF stores it: the first three fields little-endian.
constexpr Guid MakeGuid(std::uint32_t a, std::uint16_t b, std::uint16_t c, std::uint64_t d) {
    Guid g{};
    for (int i = 0; i < 4; ++i) g[i] = static_cast<unsigned char>(a >> (8 * i));
    for (int i = 0; i < 2; ++i) g[4 + i] = static_cast<unsigned char>(b >> (8 * i));
    for (int i = 0; i < 2; ++i) g[6 + i] = static_cast<unsigned char>(c >> (8 * i));
    for (int i = 0; i < 8; ++i) g[8 + i] = static_cast<unsigned char>(d >> (8 * (7 - i)));
    return g;
}

constexpr Guid kHeaderObject = MakeGuid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6CULL);
constexpr Guid kFileProperties = MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ULL);
constexpr Guid kStreamProperties = MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ULL);
constexpr Guid kAudioMedia = MakeGuid(0xF8699E40, 0x5B4D, 0x11CF, 0xA8FD00805F5C442BULL);
constexpr Guid kContentEncryption = MakeGuid(0x2211B3FB, 0xBD23, 0x11D2, 0xB4B700A0C955FC6EULL);
constexpr Guid kExtendedContentEncryption = MakeGuid(0x298AE614, 0x2622, 0x4C17, 0xB935DAE07EE9289CULL);

// A header larger than this is not a music file's.
constexpr std::uint64_t kMaxHeader = 16u << 20;

std::uint64_t Le(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool Is(const unsigned char* p, const Guid& g) {
    return std::memcmp(p, g.data(), 16) == 0;
}

}  // namespace

std::optional<MediaInfo> InspectWmaFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char top[30];
    if (!in.read(reinterpret_cast<char*>(top), sizeof top) || !Is(top, kHeaderObject)) return std::nullopt;
    std::uint64_t headerSize = Le(top + 16, 8);
    if (headerSize < 30 || headerSize > kMaxHeader) return std::nullopt;
    std::vector<unsigned char> header(headerSize - 30);
    if (!in.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()))) return std::nullopt;

    const unsigned char* fileProperties = nullptr;
    const unsigned char* firstStream = nullptr;
    std::uint64_t firstStreamSize = 0;
    bool protectedContent = false;
    for (std::size_t pos = 0; pos + 24 <= header.size();) {
        const unsigned char* object = header.data() + pos;
        std::uint64_t size = Le(object + 16, 8);
        if (size < 24 || size > header.size() - pos) break;  // a damaged header ends the walk
        if (Is(object, kFileProperties) && size >= 104) fileProperties = object;
        if (Is(object, kStreamProperties) && !firstStream) {
            firstStream = object;
            firstStreamSize = size;
        }
        if (Is(object, kContentEncryption) || Is(object, kExtendedContentEncryption)) protectedContent = true;
        pos += size;
    }
    MediaInfo info;
    if (protectedContent) {
        // Without a licence the values cannot be read; the file is shared and shown as "DRM".
        info.bitrate = info.frequency = info.length = kDrmValue;
        return info;
    }
    if (!fileProperties) return std::nullopt;
    std::uint64_t playDuration = Le(fileProperties + 64, 8);
    std::uint64_t prerollMs = Le(fileProperties + 80, 8);
    std::uint64_t duration = playDuration - prerollMs * 10000;  // 100-nanosecond units
    info.length = static_cast<std::uint32_t>(duration & 0xFFFFFFFFu) / 10000000u;
    info.bitrate = NearestStandardBitrate(static_cast<std::uint32_t>(Le(fileProperties + 100, 4)) >> 10);
    if (!firstStream || firstStreamSize < 78 + 8 || !Is(firstStream + 24, kAudioMedia)) return std::nullopt;
    info.frequency = static_cast<std::uint32_t>(Le(firstStream + 78 + 4, 4));
    return info;
}

}  // namespace tandril::library
