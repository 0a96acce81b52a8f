// The MP3 file-type plug-in: the same values and file hash as the client's own inspection.
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "library/media_inspection.h"

extern "C" {

std::uint32_t Validate(const char* path) {
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    return !ec && tandril::library::InspectMp3File(path, static_cast<std::uint32_t>(size)) ? 0x80000000u : 0u;
}

unsigned char Is_Media() {
    return 1;
}

unsigned char ExtractMediaInfo(const char* path, std::uint32_t size, std::uint32_t* bitrate, std::uint32_t* frequency,
                               std::uint32_t* length, char* hash, std::uint32_t capacity) {
    auto info = tandril::library::InspectMp3File(path, size);
    if (!info || capacity == 0) return 0;
    *bitrate = info->bitrate;
    *frequency = info->frequency;
    *length = info->length;
    std::memset(hash, 0, capacity);
    std::memcpy(hash, info->hash.data(), std::min<std::size_t>(info->hash.size(), capacity - 1));
    return 1;
}
}
