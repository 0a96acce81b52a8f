#pragma once
// Where a file's MPEG audio begins: offsets counted "from the first frame" add it.

#include <cstdint>
#include <filesystem>

namespace tandril::library {

// The offset of the first 0xFF byte followed by 0xFB, 0xFA or 0xF3 (in a run of 0xFF bytes, the
// last of them, where the frame begins); 0 for an unreadable file or none found.
std::uint32_t AudioDataStart(const std::filesystem::path& path);

}  // namespace tandril::library
