#pragma once
// The library view's rows as a Qt model, with the file-type images. The core's LibraryView holds
// the rows; this model re-reads them when the core says they changed.

#include <QAbstractTableModel>
#include <QIcon>
#include <vector>

#include "library/library_view.h"

namespace tandril::library {
class FileTypeTable;
}

namespace tandril::gui {

// The images of the library view: 0 a folder, 1 a file, then each file type's icon at its index.
std::vector<QIcon> FileTypeImages(const library::FileTypeTable& types);

class LibraryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Size, Bitrate, Frequency, Length, ColumnCount };
    // What the header sorts by: numbers for the numeric columns, the name without case.
    static constexpr int kSortRole = Qt::UserRole + 1;
    static constexpr int kPathRole = Qt::UserRole + 2;

    LibraryModel(library::LibraryView& view, std::vector<QIcon> images, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    // The user edited a row's name in place: `newName` is without its extension.
    void renameRequested(const QString& path, const QString& newName);

private:
    void Reload();
    library::LibraryView& view_;
    std::vector<QIcon> images_;
    library::LibraryRows rows_;  // shared with the view, not copied
};

}  // namespace tandril::gui
