#include "library/library_view.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "library/file_types.h"

namespace tandril::library {
namespace {

// A share name as the path holds it: the end of the folder, then the file name. Its one
// separator is '\\' where it is shown; in the folder it is still '/'.
struct NameParts {
    std::string_view head, tail;
    explicit NameParts(const LibraryRow& r)
        : head(std::string_view(*r.folder).substr(std::min<std::size_t>(r.nameStart, r.folder->size()))), tail(r.file) {}
    std::size_t size() const { return head.size() + tail.size(); }
    unsigned char operator[](std::size_t i) const {
        const char c = i < head.size() ? head[i] : tail[i - head.size()];
        return static_cast<unsigned char>(AsciiLower(c == '/' ? '\\' : c));
    }
};

// By share name, case ignored.
bool NameLess(const LibraryRow& a, const LibraryRow& b) {
    const NameParts x(a), y(b);
    const std::size_t common = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (x[i] != y[i]) return x[i] < y[i];
    }
    return x.size() < y.size();
}

// The folder (with its last '/') and the file name of a path.
std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t cut = slash == std::string_view::npos ? 0 : slash + 1;
    return {path.substr(0, cut), path.substr(cut)};
}

std::string ValueText(std::int32_t value) {
    return value == -1 ? "DRM" : std::to_string(value);
}

std::string LengthText(std::int32_t seconds) {
    if (seconds == -1) return "DRM";
    return Format(32, "%d:%s%d", seconds / 60, seconds % 60 < 10 ? "0" : "", seconds % 60);
}

}  // namespace

std::string LibraryRow::path() const {
    return *folder + file;
}
std::string LibraryRow::name() const {
    return ShareName(path());
}
std::string LibraryRow::size() const {
    return GroupThousands(std::to_string(sizeValue));
}
std::string LibraryRow::bitrate() const {
    return ValueText(bitrateValue);
}
std::string LibraryRow::frequency() const {
    return ValueText(frequencyValue);
}
std::string LibraryRow::length() const {
    return LengthText(lengthValue);
}

LibraryRow MakeLibraryRow(const SharedFileRecord& r, const FileTypeTable& types, const LibraryRow* previous) {
    LibraryRow row;
    auto [folder, file] = SplitPath(r.path);
    row.folder = previous && *previous->folder == folder ? previous->folder : std::make_shared<const std::string>(folder);
    row.file = file;
    row.nameStart = static_cast<std::uint32_t>(ShareNameStart(r.path));
    std::size_t dot = r.path.rfind('.');
    const FileType* type = dot == std::string::npos ? nullptr : types.FindFileType(std::string_view(r.path).substr(dot));
    row.image = type && !type->iconPath.empty() ? type->imageIndex : 1;
    row.sizeValue = r.size;
    row.bitrateValue = r.bitrate;
    row.frequencyValue = r.frequency;
    row.lengthValue = r.length;
    return row;
}

std::shared_ptr<const std::string> LibraryView::Folder(std::string_view folder) {
    auto it = folders_.find(folder);
    if (it != folders_.end()) return it->second;
    auto text = std::make_shared<const std::string>(folder);
    folders_.emplace(std::string_view(*text), text);
    return text;
}

std::vector<LibraryRow>& LibraryView::Writable() {
    // Readers only ever add owners while the lock is held, so a count of 1 seen under the lock
    // stays 1.
    if (rows_.use_count() > 1) rows_ = std::make_shared<std::vector<LibraryRow>>(*rows_);
    return *rows_;
}

void LibraryView::AddRows(std::vector<LibraryRow> rows) {
    if (rows.empty()) return;
    {
        // Inserting one by one before the first row that is not less puts a later row before an
        // earlier one with the same name; a reversed stable sort and a merge that takes new rows
        // first on ties give the same order in one pass.
        std::reverse(rows.begin(), rows.end());
        std::stable_sort(rows.begin(), rows.end(), NameLess);
        std::scoped_lock lock(lock_);
        for (LibraryRow& row : rows) {
            if (!row.folder) row.folder = std::make_shared<const std::string>();
            if (auto kept = Folder(*row.folder); kept != row.folder) row.folder = std::move(kept);
        }
        if (rows_->empty()) {
            rows_ = std::make_shared<std::vector<LibraryRow>>(std::move(rows));
        } else {
            auto merged = std::make_shared<std::vector<LibraryRow>>();
            merged->reserve(rows_->size() + rows.size());
            const bool own = rows_.use_count() == 1;  // else a reader holds them: copy
            if (own) {
                std::merge(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()),
                           std::make_move_iterator(rows_->begin()), std::make_move_iterator(rows_->end()), std::back_inserter(*merged),
                           NameLess);
            } else {
                std::merge(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()), rows_->begin(), rows_->end(),
                           std::back_inserter(*merged), NameLess);
            }
            rows_ = std::move(merged);
        }
    }
    Q_EMIT changed();
}

void LibraryView::RemoveRows(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    {
        std::unordered_set<std::string> gone(paths.begin(), paths.end());
        std::scoped_lock lock(lock_);
        std::erase_if(Writable(), [&](const LibraryRow& r) { return gone.count(r.path()) > 0; });
    }
    Q_EMIT changed();
}

void LibraryView::RenameRow(const std::string& oldPath, const std::string& newPath) {
    {
        std::scoped_lock lock(lock_);
        auto [folder, file] = SplitPath(newPath);
        for (LibraryRow& r : Writable()) {
            if (r.folder->size() + r.file.size() == oldPath.size() && oldPath.starts_with(*r.folder) && oldPath.ends_with(r.file)) {
                r.folder = Folder(folder);
                r.file = file;
                r.nameStart = static_cast<std::uint32_t>(ShareNameStart(newPath));
            }
        }
    }
    Q_EMIT changed();
}

LibraryRows LibraryView::Rows() const {
    std::scoped_lock lock(lock_);
    return LibraryRows(rows_);
}

}  // namespace tandril::library
