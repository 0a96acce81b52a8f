#pragma once
// The incomplete-file list resume.dat in the profile folder ("\"path\" size checksum" per line)
// and the "Incomplete" folder beside it where partial downloads wait to be resumed. Every rewrite
// goes through restmp.dat and a rename, and one lock keeps the workers that end downloads at the
// same time from losing each other's lines.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tandril::transfer {

struct IncompleteEntry {
    std::string path;        // the partial file, in the Incomplete folder
    std::uint32_t size = 0;  // the whole file's size
    std::string checksum;
    bool operator==(const IncompleteEntry&) const = default;
};

// One line of resume.dat without its line end; nullopt unless it has its three fields.
std::optional<IncompleteEntry> ParseIncompleteLine(std::string_view line);
std::string IncompleteLine(const IncompleteEntry& entry);

class IncompleteFiles {
public:
    explicit IncompleteFiles(std::filesystem::path profileFolder) : profile_(std::move(profileFolder)) {}

    std::filesystem::path Folder() const { return profile_ / "Incomplete"; }
    // Every entry with its three fields, as listed (the files are not looked at).
    std::vector<IncompleteEntry> Entries();
    // Replaces any entry of the same path, then appends this one.
    void Add(const IncompleteEntry& entry);
    // Drops every entry of `path`.
    void Forget(const std::string& path);
    // Keeps only the entries with three fields whose file can be read, in the standard form; the
    // ones kept are returned.
    std::vector<IncompleteEntry> Clean();

private:
    std::filesystem::path profile_;
    std::mutex lock_;
};

}  // namespace tandril::transfer
