#include "devserver/share_index.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "library/shared_list.h"
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
    return SharedFile{Cp1252ToUtf8(name), *hash, *size, *bitrate, *frequency, *length};
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
    const std::string name = Cp1252ToUtf8(payload);
    return std::erase_if(it->second, [&](const SharedFile& f) { return EqualsNoCase(f.virtualName, name); }) > 0;
}

void ShareIndex::KeepOnly(const std::set<std::string>& onlineUsers) {
    std::erase_if(files_, [&](const auto& entry) { return !onlineUsers.count(entry.first); });
}

std::optional<SearchQuery> ParseSearchQuery(const std::string& payload) {
    std::vector<std::string> t = library::SharedDatTokens(Cp1252ToUtf8(payload));
    SearchQuery q;
    auto comparison = [](const std::string& word) { return word == "AT BEST" || word == "EQUAL TO" || word == "AT LEAST"; };
    auto number = [](const std::string& text, int& out) {
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
        return ec == std::errc() && end == text.data() + text.size();
    };
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] == "FILENAME" && i + 2 < t.size() && t[i + 1] == "CONTAINS") {
            q.words.push_back(t[i + 2]);
            i += 3;
        } else if (t[i] == "MAX_RESULTS" && i + 1 < t.size() && number(t[i + 1], q.maxResults)) {
            i += 2;
        } else if (t[i] == "LINESPEED" && i + 2 < t.size() && comparison(t[i + 1]) && number(t[i + 2], q.lineSpeed)) {
            q.lineSpeedComparison = t[i + 1];
            i += 3;
        } else if (t[i] == "BITRATE" && i + 2 < t.size() && comparison(t[i + 1]) && number(t[i + 2], q.bitrate)) {
            q.bitrateComparison = t[i + 1];
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return q;
}

namespace {

bool Holds(const std::string& comparison, int value, int limit) {
    if (comparison.empty()) return true;
    if (comparison == "AT BEST") return value <= limit;
    if (comparison == "AT LEAST") return value >= limit;
    return value == limit;
}

}  // namespace

std::vector<std::string> ShareIndex::Search(const SearchQuery& query, const std::map<std::string, UserLine>& users) const {
    std::vector<std::string> results;
    for (const auto& [user, files] : files_) {
        auto line = users.find(user);
        UserLine who = line == users.end() ? UserLine{} : line->second;
        if (!Holds(query.lineSpeedComparison, who.lineSpeed, query.lineSpeed)) continue;
        for (const SharedFile& f : files) {
            if (static_cast<int>(results.size()) >= query.maxResults) return results;
            bool named = std::all_of(query.words.begin(), query.words.end(),
                                     [&](const std::string& w) { return ContainsNoCase(f.virtualName, w); });
            if (!named || !Holds(query.bitrateComparison, f.bitrate, query.bitrate)) continue;
            results.push_back(Utf8ToCp1252("\"" + f.virtualName + "\" " + f.hash + " " + std::to_string(f.size) + " " +
                                                   std::to_string(f.bitrate) + " " + std::to_string(f.frequency) + " " +
                                                   std::to_string(f.length) + " " + user + " " + std::to_string(who.address) + " " +
                                                   std::to_string(who.lineSpeed) + " 0"));
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
