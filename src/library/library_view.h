#pragma once
// What the library view on the "&Fichiers" page shows: one row per shared file, kept in the core
// so that the GUI and the tests read the same rows. Changes arrive from any thread and are
// announced in batches.

#include <QObject>
#include <mutex>
#include <string>
#include <vector>

#include "library/shared_list.h"

namespace tandril::library {

class FileTypeTable;

struct LibraryRow {
    std::string path;  // the row's data
    std::string name;  // the share name
    std::string size;  // digits grouped with ','
    std::string bitrate;
    std::string frequency;
    std::string length;  // "m:ss", or "DRM"
    int image = 1;       // index in the file-type image list
    // For sorting by the numeric columns.
    std::int64_t sizeValue = 0;
    std::int32_t bitrateValue = 0, frequencyValue = 0, lengthValue = 0;
};

LibraryRow MakeLibraryRow(const SharedFileRecord& record, const FileTypeTable& types);

class LibraryView : public QObject {
    Q_OBJECT
public:
    // Each row goes before the first row whose name is not less than its own (case ignored).
    void AddRows(std::vector<LibraryRow> rows);
    void RemoveRows(const std::vector<std::string>& paths);
    void RenameRow(const std::string& oldPath, const std::string& newPath, const std::string& newName);
    std::vector<LibraryRow> Rows() const;

Q_SIGNALS:
    // Any change; the receiver reads Rows() again.
    void changed();

private:
    mutable std::mutex lock_;
    std::vector<LibraryRow> rows_;
};

}  // namespace tandril::library
