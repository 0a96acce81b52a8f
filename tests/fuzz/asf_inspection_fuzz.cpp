// Any file handed to the ASF (Windows Media) inspector: accepted or rejected, never a crash or a runaway walk.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "library/media_inspection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tandril-fuzz-asf-" + std::to_string(::getpid()) + ".mp3");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    auto info = tandril::library::InspectWmaFile(path);
    if (info && !info->hash.empty()) __builtin_trap();
    return 0;
}
