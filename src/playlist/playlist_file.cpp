#include "playlist/playlist_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/atomic_file.h"

namespace tandril::playlist {

namespace {

// Blanks are spaces only: a tab belongs to the name.
std::string StripSpaces(std::string line) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = line.find_last_not_of(' ');
    return line.substr(first, last - first + 1);
}

}  // namespace

bool IsReadableFile(const std::string& path) {
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

std::optional<std::vector<std::string>> ReadPlaylistFile(const std::string& path) {
    if (!IsReadableFile(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::vector<std::string> entries;
    std::string raw;
    while (std::getline(in, raw)) {
        // A line longer than an entry can hold is read in pieces, each taken as a line of its own
        // (none of them names a file, so a long line simply yields nothing).
        for (std::size_t start = 0; start < raw.size() || start == 0; start += kMaxEntryPath) {
            std::string line = raw.substr(start, kMaxEntryPath);
            if (auto cr = line.find('\r'); cr != std::string::npos) line.resize(cr);
            line = StripSpaces(std::move(line));
            if (!line.empty() && line[0] != '#') {
                if (IsReadableFile(line)) {
                    entries.push_back(line);
                } else {
                    std::string joined = (folder.empty() ? std::string(".") : folder) + "/" + line;
                    if (joined.size() <= kMaxEntryPath && IsReadableFile(joined)) entries.push_back(std::move(joined));
                }
            }
            if (raw.size() <= kMaxEntryPath) break;
        }
    }
    return entries;
}

bool WritePlaylistFile(const std::string& path, const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& e : entries) {
        if (e.size() < 350) text += e + "\n";
    }
    return platform::WriteFileAtomically(path, text);
}

}  // namespace tandril::playlist
