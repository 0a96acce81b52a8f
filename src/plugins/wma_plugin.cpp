// The Windows Media file-type plug-in, over the client's ASF header reader. Its hash is the
// placeholder "WMA-FILE": Windows Media files have no content hash on this network.
#include <cstdint>
#include <cstring>

#include "library/media_inspection.h"

extern "C" {

std::uint32_t Validate(const char* path) {
    return tandril::library::InspectWmaFile(path) ? 0x80000000u : 0u;
}

unsigned char Is_Media() {
    return 1;
}

unsigned char ExtractMediaInfo(const char* path, std::uint32_t, std::uint32_t* bitrate, std::uint32_t* frequency, std::uint32_t* length,
                               char* hash, std::uint32_t capacity) {
    auto info = tandril::library::InspectWmaFile(path);
    if (!info || capacity == 0) return 0;
    *bitrate = info->bitrate;
    *frequency = info->frequency;
    *length = info->length;
    std::memset(hash, 0, capacity);
    std::strncpy(hash, "WMA-FILE", capacity - 1);
    return 1;
}
}
