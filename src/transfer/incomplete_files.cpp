#include "transfer/incomplete_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <sstream>

#include "base/text.h"
#include "library/shared_list.h"
#include "platform/atomic_file.h"

namespace tandril::transfer {

namespace {

constexpr std::size_t kLineLimit = 1023;  // longer lines are read in pieces: none of them is an entry

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    auto text = platform::ReadWholeFile(file);
    if (!text) return lines;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find_first_of("\r\n"));
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string Join(const std::vector<IncompleteEntry>& entries) {
    std::string text;
    for (const auto& e : entries) text += IncompleteLine(e);
    return text;
}

bool Readable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

std::optional<IncompleteEntry> ParseIncompleteLine(std::string_view line) {
    if (line.size() > kLineLimit) return std::nullopt;
    std::vector<std::string> fields = library::SharedDatTokens(line);
    if (fields.size() < 3 || fields[0].empty() || fields[2].empty()) return std::nullopt;
    const long long size = DecimalValue(fields[1]);
    if (size < 0 || size > 0xFFFFFFFFll) return std::nullopt;
    return IncompleteEntry{CutText(fields[0], 349), static_cast<std::uint32_t>(size), CutText(fields[2], 49)};
}

std::string IncompleteLine(const IncompleteEntry& entry) {
    return "\"" + entry.path + "\" " + std::to_string(entry.size) + " " + entry.checksum + "\n";
}

std::vector<IncompleteEntry> IncompleteFiles::Entries() {
    std::scoped_lock lock(lock_);
    std::vector<IncompleteEntry> entries;
    for (const std::string& line : Lines(profile_ / "resume.dat")) {
        if (auto e = ParseIncompleteLine(line)) entries.push_back(std::move(*e));
    }
    return entries;
}

void IncompleteFiles::Add(const IncompleteEntry& entry) {
    std::scoped_lock lock(lock_);
    std::string kept;
    for (const std::string& line : Lines(profile_ / "resume.dat")) {
        auto e = ParseIncompleteLine(line);
        if (e && e->path == entry.path) continue;
        if (!line.empty()) kept += line + "\n";
    }
    kept += IncompleteLine(entry);
    platform::WriteFileAtomically(profile_ / "resume.dat", kept, profile_ / "restmp.dat");
}

void IncompleteFiles::Forget(const std::string& path) {
    std::scoped_lock lock(lock_);
    if (!std::filesystem::exists(profile_ / "resume.dat")) return;
    std::string kept;
    for (const std::string& line : Lines(profile_ / "resume.dat")) {
        std::vector<std::string> fields = library::SharedDatTokens(line);
        if (!fields.empty() && !fields[0].empty() && fields[0] != path) kept += line + "\n";
    }
    platform::WriteFileAtomically(profile_ / "resume.dat", kept, profile_ / "restmp.dat");
}

std::vector<IncompleteEntry> IncompleteFiles::Clean() {
    std::scoped_lock lock(lock_);
    std::vector<IncompleteEntry> kept;
    if (!std::filesystem::exists(profile_ / "resume.dat")) return kept;
    for (const std::string& line : Lines(profile_ / "resume.dat")) {
        auto e = ParseIncompleteLine(line);
        if (e && Readable(e->path)) kept.push_back(std::move(*e));
    }
    platform::WriteFileAtomically(profile_ / "resume.dat", Join(kept), profile_ / "restmp.dat");
    return kept;
}

}  // namespace tandril::transfer
