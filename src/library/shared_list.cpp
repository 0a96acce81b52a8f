#include "library/shared_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>

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

std::string FolderPart(std::string_view path) {
    std::size_t nameLength = ShareName(path).size();
    return CutText(path.substr(0, path.size() - std::min(nameLength, path.size())), kMaxSharedPath);
}

protocol::SharedEntry ShareEntry(const SharedFileRecord& r) {
    return {ShareName(r.path), r.hash, r.size, r.bitrate, r.frequency, r.length};
}

std::string SharedDatLine(const SharedFileRecord& r) {
    return "\"" + r.path + "\" " + r.hash + " " + std::to_string(r.size) + " " + std::to_string(r.bitrate) + " " +
           std::to_string(r.frequency) + " " + std::to_string(r.length) + "\n";
}

std::vector<std::string> SharedDatTokens(std::string_view line) {
    line = line.substr(0, line.find_first_of("\r\n"));
    line = Trim(line);
    return SplitFields(line);
}

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace

std::size_t NoCaseHash::operator()(std::string_view text) const {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (char c : text) h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
    return static_cast<std::size_t>(h);
}

bool NoCaseEqual::operator()(std::string_view a, std::string_view b) const {
    return EqualsNoCase(a, b);
}

std::uint32_t FolderIndexTable::Assign(const std::string& folder) {
    auto it = byFolder_.find(std::string_view(folder));
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
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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
    if (record.folderNumber == 0) record.folderNumber = folders.Assign(FolderPart(record.path));
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
