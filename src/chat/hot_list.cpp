#include "chat/hot_list.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/text.h"
#include "chat/chat_line.h"
#include "platform/atomic_file.h"
#include "platform/unique_fd.h"

namespace tandril::chat {

namespace {

bool IsDamagedName(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](unsigned char c) { return c <= ' ' || c == 0x7F; });
}

bool Listed(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& known) { return EqualsNoCase(known, name); });
}

void EraseRow(std::vector<HotListRow>& rows, std::string_view name, bool* erased = nullptr) {
    auto end = std::remove_if(rows.begin(), rows.end(), [&](const HotListRow& row) { return EqualsNoCase(row.name, name); });
    if (erased) *erased = end != rows.end();
    rows.erase(end, rows.end());
}

bool HasRow(const std::vector<HotListRow>& rows, std::string_view name) {
    return std::any_of(rows.begin(), rows.end(), [&](const HotListRow& row) { return EqualsNoCase(row.name, name); });
}

}  // namespace

std::vector<std::string> ReadHotListFile(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    auto contents = platform::ReadWholeFile(folder / kHotListFile);
    if (!contents) return names;
    std::string_view rest = *contents;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        line = Trim(line.substr(0, line.find_first_of(std::string_view("\r\0", 2))));
        std::string name = CutText(line, kHotListNameWidth);
        if (name.empty() || IsDamagedName(name) || Listed(names, name)) continue;
        names.push_back(std::move(name));
    }
    return names;
}

bool AppendHotListFile(const std::filesystem::path& folder, std::string_view name) {
    const std::filesystem::path path = folder / kHotListFile;
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!fd.valid()) return false;
    std::string line(name);
    line += '\n';
    // A last line without its line end (a file cut short) must not run into the new name.
    off_t size = ::lseek(fd.get(), 0, SEEK_END);
    char last = '\n';
    if (size > 0 && ::pread(fd.get(), &last, 1, size - 1) == 1 && last != '\n') line.insert(line.begin(), '\n');
    // One write: a reader sees the file without the name or with the whole line.
    ssize_t written;
    do {
        written = ::write(fd.get(), line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    return written == static_cast<ssize_t>(line.size());
}

bool WriteHotListFile(const std::filesystem::path& folder, const std::vector<std::string>& names) {
    std::string contents;
    for (const auto& name : names) contents += name + "\n";
    return platform::WriteFileAtomically(folder / kHotListFile, contents, folder / kHotListScratchFile);
}

int HotListSpeedImage(int lineSpeed) {
    if (lineSpeed < 0) return -1;
    if (lineSpeed < 4) return 2;
    if (lineSpeed < 7) return 1;
    return 0;
}

HotList::HotList(ColorSchemes& schemes) : schemes_(schemes) {}

HotList::Entry* HotList::Find(const std::lock_guard<std::mutex>&, std::string_view user) {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return EqualsNoCase(e.name, user); });
    return it == entries_.end() ? nullptr : &*it;
}

void HotList::MarkOffline(const std::lock_guard<std::mutex>&, Entry& entry, bool& clearBrowser) {
    bool wasOnline = false;
    EraseRow(online_, entry.name, &wasOnline);
    // The browser showed this user's files: they go with the user.
    if (wasOnline && EqualsNoCase(userField_, entry.name)) {
        userField_.clear();
        clearBrowser = true;
    }
    if (!HasRow(offline_, entry.name)) offline_.push_back({entry.name, -1});
    entry.online = false;
}

void HotList::Load(const std::filesystem::path& folder) {
    std::vector<std::string> names = ReadHotListFile(folder);
    {
        std::lock_guard held(lock_);
        entries_.clear();
        online_.clear();
        offline_.clear();
        for (auto& name : names) {
            offline_.push_back({name, -1});
            entries_.push_back({std::move(name), false});
        }
    }
    Q_EMIT changed();
}

std::vector<std::string> HotList::Names() const {
    std::lock_guard held(lock_);
    std::vector<std::string> names;
    for (const Entry& e : entries_) names.push_back(e.name);
    return names;
}

bool HotList::Contains(std::string_view user) const {
    std::lock_guard held(lock_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return EqualsNoCase(e.name, user); });
}

bool HotList::IsOnline(std::string_view user) const {
    std::lock_guard held(lock_);
    return std::any_of(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.online && EqualsNoCase(e.name, user); });
}

bool HotList::Add(const std::filesystem::path& folder, const std::string& user) {
    std::string name = CutText(Trim(user), kHotListNameWidth);
    if (name.empty() || IsDamagedName(name)) return false;
    {
        std::lock_guard held(lock_);
        if (Find(held, name)) return true;
        // Written under the list's lock, so that a removal's rewrite cannot cross the addition.
        if (!AppendHotListFile(folder, name)) return false;
        entries_.push_back({name, false});
        if (!HasRow(offline_, name)) offline_.push_back({name, -1});
    }
    Q_EMIT changed();
    return true;
}

void HotList::ShowOnline(std::string_view user, int lineSpeed) {
    {
        std::lock_guard held(lock_);
        Entry* entry = Find(held, user);
        if (!entry) return;
        EraseRow(offline_, entry->name);
        if (!HasRow(online_, entry->name)) online_.push_back({entry->name, HotListSpeedImage(lineSpeed)});
        entry->online = true;
    }
    Q_EMIT changed();
}

void HotList::ShowOffline(std::string_view user) {
    bool clearBrowser = false;
    {
        std::lock_guard held(lock_);
        Entry* entry = Find(held, user);
        if (!entry) return;
        MarkOffline(held, *entry, clearBrowser);
    }
    if (clearBrowser) Q_EMIT browserCleared();
    Q_EMIT changed();
}

void HotList::ShowAllOffline() {
    bool clearBrowser = false;
    {
        std::lock_guard held(lock_);
        for (Entry& entry : entries_) MarkOffline(held, entry, clearBrowser);
    }
    if (clearBrowser) Q_EMIT browserCleared();
    Q_EMIT changed();
}

std::vector<std::string> HotList::Remove(const std::filesystem::path& folder, const std::vector<std::string>& users, bool* written) {
    std::vector<std::string> removed;
    bool clearBrowser = false;
    bool ok = true;
    {
        std::lock_guard held(lock_);
        for (const std::string& user : users) {
            Entry* entry = Find(held, user);
            if (!entry) continue;
            bool wasOnline = false;
            EraseRow(online_, entry->name, &wasOnline);
            EraseRow(offline_, entry->name);
            if (wasOnline) {
                userField_.clear();
                clearBrowser = true;
            }
            removed.push_back(entry->name);
            entries_.erase(entries_.begin() + (entry - entries_.data()));
        }
        if (!removed.empty()) {
            std::vector<std::string> names;
            for (const Entry& e : entries_) names.push_back(e.name);
            ok = WriteHotListFile(folder, names);
        }
    }
    if (written) *written = ok;
    if (clearBrowser) Q_EMIT browserCleared();
    if (!removed.empty()) Q_EMIT changed();
    return removed;
}

std::vector<HotListRow> HotList::OnlineRows() const {
    std::lock_guard held(lock_);
    return online_;
}

std::vector<HotListRow> HotList::OfflineRows() const {
    std::lock_guard held(lock_);
    return offline_;
}

std::string HotList::UserField() const {
    std::lock_guard held(lock_);
    return userField_;
}

void HotList::SetUserField(const std::string& user) {
    {
        std::lock_guard held(lock_);
        userField_ = CutText(user, kHotListNameWidth);
    }
    Q_EMIT changed();
}

void HotList::ShowInfo(const std::string& files, const std::string& megabytes, const std::string& ping, const std::string& user) {
    ClearChatControl(info_);
    std::string line;
    if (!user.empty()) {
        line = Format(kMaxChatLine, "User:   %s         Total Files:   %s             File Data:   %s megs               Ping:   %s",
                      user.c_str(), files.c_str(), megabytes.c_str(), ping.c_str());
        SetUserField(user);
    } else {
        line = Format(kMaxChatLine, "Total Files:   %s             File Data:   %s megs               Ping:   %s", files.c_str(),
                      megabytes.c_str(), ping.c_str());
    }
    AppendChatLine(info_, schemes_.Current(), "Hot List Info", line, {});
}

}  // namespace tandril::chat
