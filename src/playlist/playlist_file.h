#pragma once
// Playlist files: one path a line (M3U, and PLS read by the same rule), written back as M3U.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tandril::playlist {

// Longest path an entry holds; longer lines are read in pieces of this size.
inline constexpr std::size_t kMaxEntryPath = 349;

// A regular file that this process can open for reading (a folder cannot).
bool IsReadableFile(const std::string& path);

// The entries of the playlist at `path`, or nullopt when it cannot be opened. Each line is cut at
// its first CR and LF and stripped of blanks; empty lines and lines starting with '#' are
// skipped; a line is kept as written when that names a readable file, else joined to the
// playlist's own folder when that does, else dropped. A PLS file gets no parsing of its own: its
// "FileN=" lines name no file and are dropped.
std::optional<std::vector<std::string>> ReadPlaylistFile(const std::string& path);

// Writes each entry shorter than 350 characters with a line feed, no header; false when the file
// cannot be written.
bool WritePlaylistFile(const std::string& path, const std::vector<std::string>& entries);

}  // namespace tandril::playlist
