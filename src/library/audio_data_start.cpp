#include "library/audio_data_start.h"

#include <fstream>
#include <vector>

namespace tandril::library {

std::uint32_t AudioDataStart(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::vector<char> block(64 * 1024);
    std::uint64_t base = 0;
    bool lastWasFF = false;  // the block before ended with 0xFF
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(block[i]);
            if (lastWasFF && (b == 0xFB || b == 0xFA || b == 0xF3)) {
                const std::uint64_t at = base + i - 1;
                return at > UINT32_MAX ? 0 : static_cast<std::uint32_t>(at);
            }
            lastWasFF = b == 0xFF;
        }
        base += n;
    }
    return 0;
}

}  // namespace tandril::library
