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

std::uint32_t FolderIndexTable::Assign(const std::string& folder) {
    for (const Entry& e : entries_) {
        if (EqualsNoCase(e.folder, folder)) return e.number;
    }
    entries_.push_back({++counter_, CutText(folder, kMaxSharedPath)});
    return counter_;
}

const std::string* FolderIndexTable::Folder(std::uint32_t number) const {
    for (const Entry& e : entries_) {
        if (e.number == number) return &e.folder;
    }
    return nullptr;
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
    auto it = byPath_.find(Key(path));
    return it == byPath_.end() ? nullptr : &*it->second;
}

SharedFileRecord* SharedList::FindAsAnnounced(std::string_view path) {
    if (SharedFileRecord* record = Find(path)) return record;
    auto it = byWireForm_.find(Key(WireForm(path)));
    return it == byWireForm_.end() ? nullptr : &*it->second;
}

void SharedList::Index(Records::iterator record) {
    byPath_[Key(record->path)] = record;
    std::string form = WireForm(record->path);
    if (form != record->path) byWireForm_[Key(form)] = record;
}

void SharedList::Unindex(Records::iterator record) {
    auto erase = [&](auto& index, const std::string& key) {
        auto it = index.find(key);
        if (it != index.end() && it->second == record) index.erase(it);
    };
    erase(byPath_, Key(record->path));
    erase(byWireForm_, Key(WireForm(record->path)));
}

SharedFileRecord& SharedList::Append(SharedFileRecord record) {
    records_.push_back(std::move(record));
    Index(std::prev(records_.end()));
    return records_.back();
}

void SharedList::Remove(std::string_view path) {
    auto it = byPath_.find(Key(path));
    if (it == byPath_.end()) return;
    auto record = it->second;
    Unindex(record);
    records_.erase(record);
}

void SharedList::Rename(SharedFileRecord& record, std::string newPath) {
    auto it = byPath_.find(Key(record.path));
    if (it == byPath_.end()) return;
    auto position = it->second;
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
