#include "devserver/share_index.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "base/text.h"
#include "base/wire_text.h"

namespace tandril::devserver {
namespace {

template <typename T>
std::optional<T> NumberField(const std::string& payload, int n) {
    auto text = GetField(payload, n, 32);
    T value{};
    if (!text || text->empty()) return std::nullopt;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (ec != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

// The five values that follow a name at field `n`.
std::optional<SharedFile> FileAt(const std::string& payload, const std::string& name, int n) {
    auto hash = GetField(payload, n, 64);
    auto size = NumberField<std::uint32_t>(payload, n + 1);
    auto bitrate = NumberField<int>(payload, n + 2), frequency = NumberField<int>(payload, n + 3),
         length = NumberField<int>(payload, n + 4);
    if (!hash || hash->empty() || !size || !bitrate || !frequency || !length) return std::nullopt;
    return SharedFile{FromWireText(name), *hash, *size, *bitrate, *frequency, *length};
}

}  // namespace

void ShareIndex::Add(const std::string& user, SharedFile file) {
    auto& files = files_[user];
    std::erase_if(files, [&](const SharedFile& f) { return EqualsNoCase(f.virtualName, file.virtualName); });
    files.push_back(std::move(file));
}

void ShareIndex::ShareBatch(const std::string& user, const std::string& payload) {
    auto prefix = GetField(payload, 1, 2048);
    if (!prefix || prefix->empty()) return;
    for (int n = 2;; n += 6) {
        auto name = GetField(payload, n, 2048);
        if (!name || name->empty()) return;
        auto file = FileAt(payload, *prefix + *name, n + 1);
        if (!file) return;
        Add(user, std::move(*file));
    }
}

void ShareIndex::ShareOne(const std::string& user, const std::string& payload) {
    auto name = GetField(payload, 1, 2048);
    if (!name || name->empty()) return;
    if (auto file = FileAt(payload, *name, 2)) Add(user, std::move(*file));
}

bool ShareIndex::Unshare(const std::string& user, const std::string& payload) {
    auto it = files_.find(user);
    if (it == files_.end()) return false;
    const std::string name = FromWireText(payload);
    return std::erase_if(it->second, [&](const SharedFile& f) { return EqualsNoCase(f.virtualName, name); }) > 0;
}

void ShareIndex::KeepOnly(const std::set<std::string>& onlineUsers) {
    std::erase_if(files_, [&](const auto& entry) { return !onlineUsers.count(entry.first); });
}

namespace {

bool Holds(const std::optional<protocol::Comparison>& comparison, int value, int limit) {
    if (!comparison) return true;
    if (*comparison == protocol::Comparison::AtBest) return value <= limit;
    if (*comparison == protocol::Comparison::AtLeast) return value >= limit;
    return value == limit;
}

}  // namespace

std::vector<std::string> ShareIndex::Search(const protocol::SearchRequest& query, const std::map<std::string, UserLine>& users) const {
    std::vector<std::string> words;
    for (const std::string* word : {&query.artist, &query.title}) {
        if (!word->empty()) words.push_back(*word);
    }
    const int bitrate = static_cast<int>(DecimalValue(query.bitrate));
    std::vector<std::string> results;
    for (const auto& [user, files] : files_) {
        auto line = users.find(user);
        UserLine who = line == users.end() ? UserLine{} : line->second;
        if (!Holds(query.lineSpeedComparison, who.lineSpeed, query.lineSpeed)) continue;
        for (const SharedFile& f : files) {
            if (static_cast<int>(results.size()) >= query.maxResults) return results;
            bool named = std::all_of(words.begin(), words.end(), [&](const std::string& w) { return ContainsNoCase(f.virtualName, w); });
            if (!named || !Holds(query.bitrateComparison, f.bitrate, bitrate)) continue;
            protocol::SearchResult result{f.virtualName, f.hash, f.size,      f.bitrate,     f.frequency,
                                          f.length,      user,   who.address, who.lineSpeed, 0};
            results.push_back(ToWireText(result.Encode()));
        }
    }
    return results;
}

std::vector<SharedFile> ShareIndex::FilesOf(const std::string& user) const {
    auto it = files_.find(user);
    return it == files_.end() ? std::vector<SharedFile>{} : it->second;
}

const SharedFile* ShareIndex::Find(const std::string& user, const std::string& virtualName) const {
    auto files = files_.find(user);
    if (files == files_.end()) return nullptr;
    for (const SharedFile& f : files->second) {
        if (EqualsNoCase(f.virtualName, virtualName)) return &f;
    }
    return nullptr;
}

}  // namespace tandril::devserver
