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

namespace {

std::string NameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

}  // namespace

void ShareIndex::Add(const std::string& user, SharedFile file) {
    UserFiles& u = files_[user];
    std::string key = NameKey(file.virtualName);
    // Shared again: it moves to the end.
    if (auto old = u.byName.find(key); old != u.byName.end()) u.files.erase(old->second);
    u.files.push_back(std::move(file));
    u.byName[std::move(key)] = std::prev(u.files.end());
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
    auto file = it->second.byName.find(NameKey(FromWireText(payload)));
    if (file == it->second.byName.end()) return false;
    it->second.files.erase(file->second);
    it->second.byName.erase(file);
    return true;
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
    for (const auto& [user, shared] : files_) {
        const auto& files = shared.files;
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
    if (it == files_.end()) return {};
    return {it->second.files.begin(), it->second.files.end()};
}

std::pair<std::uint64_t, std::uint64_t> ShareIndex::Totals() const {
    std::uint64_t count = 0, bytes = 0;
    for (const auto& [user, shared] : files_) {
        count += shared.files.size();
        for (const SharedFile& f : shared.files) bytes += f.size;
    }
    return {count, bytes};
}

const SharedFile* ShareIndex::Find(const std::string& user, const std::string& virtualName) const {
    auto files = files_.find(user);
    if (files == files_.end()) return nullptr;
    auto file = files->second.byName.find(NameKey(virtualName));
    return file == files->second.byName.end() ? nullptr : &*file->second;
}

}  // namespace tandril::devserver
