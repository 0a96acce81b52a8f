#pragma once
// What the library view on the "&Fichiers" page shows: one row per shared file, kept in the core
// so that the GUI and the tests read the same rows. Changes arrive from any thread and are
// announced in batches.

#include <QObject>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/shared_list.h"

namespace tandril::library {

class FileTypeTable;

// A row keeps its path in two parts, the folder (shared by the rows of one folder) and the file's
// name, and the numbers; its texts are made when they are shown, so that a library of many files
// keeps little more than one file name per row.
struct LibraryRow {
    std::shared_ptr<const std::string> folder;  // up to and with the last '/'; never null
    std::string file;
    std::int64_t sizeValue = 0;
    std::int32_t bitrateValue = 0, frequencyValue = 0, lengthValue = 0;
    int image = 1;                // index in the file-type image list
    std::uint32_t nameStart = 0;  // where the share name begins in the folder

    std::string path() const;  // the row's data
    std::string name() const;  // the share name
    std::string size() const;  // digits grouped with ','
    std::string bitrate() const;
    std::string frequency() const;
    std::string length() const;  // "m:ss", or "DRM"
};

// `previous`, a row made just before, lends its folder when the record is in the same one.
LibraryRow MakeLibraryRow(const SharedFileRecord& record, const FileTypeTable& types, const LibraryRow* previous = nullptr);

// The rows at one moment, shared with the view until the view changes: a reader keeps no copy of
// its own.
class LibraryRows {
public:
    LibraryRows() = default;
    explicit LibraryRows(std::shared_ptr<const std::vector<LibraryRow>> rows) : rows_(std::move(rows)) {}
    std::size_t size() const { return rows_ ? rows_->size() : 0; }
    bool empty() const { return size() == 0; }
    const LibraryRow& operator[](std::size_t i) const { return (*rows_)[i]; }
    const LibraryRow* begin() const { return rows_ ? rows_->data() : nullptr; }
    const LibraryRow* end() const { return rows_ ? rows_->data() + rows_->size() : nullptr; }

private:
    std::shared_ptr<const std::vector<LibraryRow>> rows_;
};

class LibraryView : public QObject {
    Q_OBJECT
public:
    // Each row goes before the first row whose name is not less than its own (case ignored).
    void AddRows(std::vector<LibraryRow> rows);
    void RemoveRows(const std::vector<std::string>& paths);
    void RenameRow(const std::string& oldPath, const std::string& newPath);
    LibraryRows Rows() const;

Q_SIGNALS:
    // Any change; the receiver reads Rows() again.
    void changed();

private:
    // The rows to change: the current ones themselves when no reader holds them, else a copy.
    std::vector<LibraryRow>& Writable();
    // The view's one copy of a folder's text. View lock held.
    std::shared_ptr<const std::string> Folder(std::string_view folder);

    mutable std::mutex lock_;
    std::shared_ptr<std::vector<LibraryRow>> rows_ = std::make_shared<std::vector<LibraryRow>>();
    std::unordered_map<std::string_view, std::shared_ptr<const std::string>> folders_;  // keys view their values
};

}  // namespace tandril::library
