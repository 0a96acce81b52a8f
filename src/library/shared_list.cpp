#include "library/shared_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "base/ascii.h"
#include "base/field_views.h"
#include "base/text.h"
#include "base/wire_text.h"

namespace tandril::library {

std::string ShareName(std::string_view path) {
    if (std::count(path.begin(), path.end(), '/') >= 3) {
        std::size_t last = path.rfind('/');
        std::size_t before = path.rfind('/', last - 1);
        std::string name(path.substr(before + 1));
        name[last - before - 1] = '\\';
        return name;
    }
    std::size_t last = path.rfind('/');
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::size_t ShareNameStart(std::string_view path) {
    std::size_t last = path.rfind('/');
    if (last == std::string_view::npos) return 0;
    if (last > 0 && std::count(path.begin(), path.end(), '/') >= 3) return path.rfind('/', last - 1) + 1;
    return last + 1;
}

std::string FolderPart(std::string_view path) {
    return CutText(path.substr(0, ShareNameStart(path)), kMaxSharedPath);
}

protocol::SharedEntry ShareEntry(const SharedFileRecord& r) {
    return {ShareName(r.path), r.hash, r.size, r.bitrate, r.frequency, r.length};
}

std::string SharedDatLine(const SharedFileRecord& r) {
    std::string line;
    AppendSharedDatLine(line, r);
    return line;
}

void AppendSharedDatLine(std::string& text, const SharedFileRecord& r) {
    char numbers[64];
    const int n = std::snprintf(numbers, sizeof numbers, " %u %d %d %d\n", static_cast<unsigned>(r.size), static_cast<int>(r.bitrate),
                                static_cast<int>(r.frequency), static_cast<int>(r.length));
    text += '"';
    text += r.path;
    text += "\" ";
    text += r.hash;
    text.append(numbers, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof numbers) - 1)));
}

namespace {

std::string_view SharedDatLineText(std::string_view line) {
    return Trim(line.substr(0, line.find_first_of("\r\n")));
}

}  // namespace

std::vector<std::string> SharedDatTokens(std::string_view line) {
    return SplitFields(SharedDatLineText(line));
}

std::size_t SharedDatTokenViews(std::string_view line, std::string_view* tokens, std::size_t max) {
    return SplitFieldViews(SharedDatLineText(line), tokens, max);
}

namespace {

// As EqualsNoCase compares: a hash must agree with the equality it goes with.
unsigned char Lower(char c) {
    return static_cast<unsigned char>(AsciiLower(c));
}

}  // namespace

std::size_t NoCaseHash::operator()(std::string_view text) const {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (char c : text) h = (h ^ Lower(c)) * 1099511628211ull;
    return static_cast<std::size_t>(h);
}

bool NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualsNoCase(a, b);
}

std::uint32_t FolderIndexTable::Assign(std::string_view folder) {
    auto it = byFolder_.find(folder);
    if (it != byFolder_.end()) return *it;
    folders_.push_back(CutText(folder, kMaxSharedPath));
    const auto number = static_cast<std::uint32_t>(folders_.size());
    byFolder_.insert(number);
    return number;
}

const std::string* FolderIndexTable::Folder(std::uint32_t number) const {
    return number >= 1 && number <= folders_.size() ? &folders_[number - 1] : nullptr;
}

void ShareBatch::Add(const std::string& folder, const protocol::SharedEntry& file, const Send& send) {
    protocol::SharedEntry onWire = file;
    onWire.name = ToWireText(file.name);
    const std::size_t need = protocol::ShareFolder::EntrySize(onWire);
    // One batch goes in one code page: a name Windows-1252 cannot hold must not turn the names
    // around it into UTF-8 for the clients that read Windows-1252.
    const bool windows1252 = GoesAsWindows1252(file.name);
    const bool otherFolder = open_ && !EqualsNoCase(batch_.folder, folder);
    if (otherFolder || (open_ && windows1252 != windows1252_) || need + size_ >= kShareBatchSize) Flush(send);
    if (!open_) {
        batch_ = {folder, {}};
        size_ = protocol::ShareFolder::HeadSize(folder);
        open_ = true;
        windows1252_ = windows1252;
    }
    if (need + size_ < kShareBatchSize) {
        batch_.files.push_back(file);
        size_ += need;
    }
}

void ShareBatch::Flush(const Send& send) {
    if (!open_) return;
    if (send) send(batch_);
    Clear();
}

void ShareBatch::Clear() {
    batch_ = {};
    open_ = false;
    size_ = 0;
}

std::string SharedList::Key(std::string_view path) {
    std::string key(path);
    for (char& c : key) c = AsciiLower(c);
    return key;
}

SharedFileRecord* SharedList::Find(std::string_view path) {
    auto it = byPath_.find(path);
    return it == byPath_.end() ? nullptr : &**it;
}

SharedFileRecord* SharedList::FindAsAnnounced(std::string_view path) {
    if (SharedFileRecord* record = Find(path)) return record;
    auto it = byWireForm_.find(Key(WireForm(path)));
    return it == byWireForm_.end() ? nullptr : &*it->second;
}

namespace {

// Only a path with bytes beyond ASCII can read differently after a trip over the wire.
bool MayChangeOnTheWire(std::string_view path) {
    return std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace

void SharedList::Index(Records::iterator record) {
    // A second record of the same path takes the index over, as the latest one always has.
    if (auto it = byPath_.find(record); it != byPath_.end()) byPath_.erase(it);
    byPath_.insert(record);
    if (!MayChangeOnTheWire(record->path)) return;
    std::string form = WireForm(record->path);
    if (form != record->path) byWireForm_[Key(form)] = record;
}

void SharedList::Unindex(Records::iterator record) {
    if (auto it = byPath_.find(record); it != byPath_.end() && *it == record) byPath_.erase(it);
    if (!MayChangeOnTheWire(record->path)) return;
    auto it = byWireForm_.find(Key(WireForm(record->path)));
    if (it != byWireForm_.end() && it->second == record) byWireForm_.erase(it);
}

SharedFileRecord& SharedList::Append(SharedFileRecord record) {
    records_.push_back(std::move(record));
    Index(std::prev(records_.end()));
    return records_.back();
}

void SharedList::Remove(std::string_view path) {
    auto it = byPath_.find(path);
    if (it == byPath_.end()) return;
    auto record = *it;
    Unindex(record);
    records_.erase(record);
}

void SharedList::Rename(SharedFileRecord& record, std::string newPath) {
    auto it = byPath_.find(std::string_view(record.path));
    if (it == byPath_.end()) return;
    auto position = *it;
    Unindex(position);
    record.path = CutText(newPath, kMaxSharedPath);
    Index(position);
}

void SharedList::AssignFolderNumber(SharedFileRecord& record) {
    if (record.folderNumber != 0) return;
    // The folder part, cut as the table keeps it: a view, no copy, when it is short enough.
    std::string_view folder = std::string_view(record.path).substr(0, ShareNameStart(record.path));
    record.folderNumber = folder.size() <= kMaxSharedPath ? folders.Assign(folder) : folders.Assign(FolderPart(record.path));
}

std::string SharedList::FolderPrefix(SharedFileRecord& record) {
    AssignFolderNumber(record);
    const unsigned n = record.folderNumber;
    return Format(32, "%u:\\%u\\", n, n);
}

std::string SharedList::VirtualName(SharedFileRecord& record) {
    return CutText(FolderPrefix(record) + ShareName(record.path), kMaxSharedPath);
}

std::string SharedList::ResolveVirtualName(const std::string& name) const {
    std::size_t digits = 0;
    while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
    if (digits == 0 || digits >= name.size() || name[digits] != ':') return name;
    std::uint32_t number = 0;
    auto [end, ec] = std::from_chars(name.data(), name.data() + digits, number);
    if (ec != std::errc()) return name;
    const std::string* folder = folders.Folder(number);
    if (!folder) return name;
    std::size_t first = name.find('\\');
    std::size_t second = first == std::string::npos ? first : name.find('\\', first + 1);
    if (second == std::string::npos) return name;
    std::string rest = name.substr(second + 1);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return CutText(*folder + rest, kMaxSharedPath);
}

}  // namespace tandril::library
