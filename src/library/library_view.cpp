#include "library/library_view.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "base/text.h"
#include "library/file_types.h"

namespace tandril::library {
namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::string ValueText(std::int32_t value) {
    return value == -1 ? "DRM" : std::to_string(value);
}

std::string LengthText(std::int32_t seconds) {
    if (seconds == -1) return "DRM";
    return Format(32, "%d:%s%d", seconds / 60, seconds % 60 < 10 ? "0" : "", seconds % 60);
}

}  // namespace

LibraryRow MakeLibraryRow(const SharedFileRecord& r, const FileTypeTable& types) {
    LibraryRow row;
    row.path = r.path;
    row.name = ShareName(r.path);
    row.size = GroupThousands(std::to_string(r.size));
    row.bitrate = ValueText(r.bitrate);
    row.frequency = ValueText(r.frequency);
    row.length = LengthText(r.length);
    std::size_t dot = r.path.rfind('.');
    const FileType* type = dot == std::string::npos ? nullptr : types.FindFileType(std::string_view(r.path).substr(dot));
    row.image = type && !type->iconPath.empty() ? type->imageIndex : 1;
    row.sizeValue = r.size;
    row.bitrateValue = r.bitrate;
    row.frequencyValue = r.frequency;
    row.lengthValue = r.length;
    return row;
}

void LibraryView::AddRows(std::vector<LibraryRow> rows) {
    if (rows.empty()) return;
    {
        // Inserting one by one before the first row that is not less puts a later row before an
        // earlier one with the same name; a reversed stable sort and a merge that takes new rows
        // first on ties give the same order in one pass.
        std::reverse(rows.begin(), rows.end());
        auto less = [](const LibraryRow& a, const LibraryRow& b) { return LessNoCase(a.name, b.name); };
        std::stable_sort(rows.begin(), rows.end(), less);
        std::scoped_lock lock(lock_);
        std::vector<LibraryRow> merged;
        merged.reserve(rows_.size() + rows.size());
        std::merge(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()), std::make_move_iterator(rows_.begin()),
                   std::make_move_iterator(rows_.end()), std::back_inserter(merged), less);
        rows_ = std::move(merged);
    }
    Q_EMIT changed();
}

void LibraryView::RemoveRows(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    {
        std::unordered_set<std::string> gone(paths.begin(), paths.end());
        std::scoped_lock lock(lock_);
        std::erase_if(rows_, [&](const LibraryRow& r) { return gone.count(r.path) > 0; });
    }
    Q_EMIT changed();
}

void LibraryView::RenameRow(const std::string& oldPath, const std::string& newPath, const std::string& newName) {
    {
        std::scoped_lock lock(lock_);
        for (LibraryRow& r : rows_) {
            if (r.path == oldPath) {
                r.path = newPath;
                r.name = newName;
            }
        }
    }
    Q_EMIT changed();
}

std::vector<LibraryRow> LibraryView::Rows() const {
    std::scoped_lock lock(lock_);
    return rows_;
}

}  // namespace tandril::library
