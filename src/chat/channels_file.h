#pragma once
// channels.dat: the channels the user was in, one name a line, joined again after the next login.
// Names compare without regard to case and to blanks around them; every change rewrites the file
// whole, through a scratch file renamed over it, so that a crash leaves the old list or the new.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tandril::chat {

inline constexpr const char* kChannelsFile = "channels.dat";
inline constexpr const char* kChannelsScratchFile = "chantmp.dat";
// The longest line read back; anything longer is cut.
inline constexpr std::size_t kMaxChannelsLine = 510;

// The names of the file in their order, each cut at its first line end (or NUL) and trimmed of
// blanks; blank lines are skipped. A missing or unreadable file reads as no names.
std::vector<std::string> ReadChannelsFile(const std::filesystem::path& folder);
// Adds `name` unless it is there already (any case, blanks around it ignored). False when the
// file could not be written.
bool RememberChannel(const std::filesystem::path& folder, std::string_view name);
// Removes every line naming `name`. A file that cannot be read is left as it is.
bool ForgetChannel(const std::filesystem::path& folder, std::string_view name);

}  // namespace tandril::chat
