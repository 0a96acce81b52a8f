#include "gui/library/library_model.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

#include "base/column_headers.h"
#include "gui/header_sort_model.h"
#include "library/file_types.h"

namespace tandril::gui {

std::vector<QIcon> FileTypeImages(const library::FileTypeTable& types) {
    QStyle* style = QApplication::style();
    std::vector<QIcon> images{style->standardIcon(QStyle::SP_DirIcon), style->standardIcon(QStyle::SP_FileIcon)};
    for (const auto& slot : types.slots) {
        if (!slot || slot->iconPath.empty()) continue;
        auto index = static_cast<std::size_t>(slot->imageIndex);
        if (images.size() <= index) images.resize(index + 1);
        images[index] = QIcon(QString::fromStdString(slot->iconPath));
    }
    return images;
}

LibraryModel::LibraryModel(library::LibraryView& view, std::vector<QIcon> images, QObject* parent)
    : QAbstractTableModel(parent), view_(view), images_(std::move(images)) {
    ConnectCoalesced(&view_, &library::LibraryView::changed, this, [this] { Reload(); });
    Reload();
}

void LibraryModel::Reload() {
    beginResetModel();
    rows_ = view_.Rows();
    endResetModel();
}

int LibraryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}
int LibraryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const library::LibraryRow& r = rows_[static_cast<std::size_t>(index.row())];
    auto text = [](const std::string& s) { return QString::fromStdString(s); };
    if (role == kPathRole) return text(r.path());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case Name:
                return text(r.name());
            case Size:
                return text(r.size());
            case Bitrate:
                return text(r.bitrate());
            case Frequency:
                return text(r.frequency());
            case Length:
                return text(r.length());
        }
    }
    if (role == Qt::EditRole && index.column() == Name) return QFileInfo(text(r.path())).completeBaseName();
    if (role == kSortRole) {
        switch (index.column()) {
            case Name:
                return text(r.name()).toCaseFolded();
            case Size:
                return QVariant::fromValue<qlonglong>(r.sizeValue);
            case Bitrate:
                return r.bitrateValue;
            case Frequency:
                return r.frequencyValue;
            case Length:
                return r.lengthValue;
        }
    }
    if (role == Qt::DecorationRole && index.column() == Name) {
        auto image = static_cast<std::size_t>(r.image);
        return image < images_.size() && !images_[image].isNull() ? images_[image] : images_[1];
    }
    if (role == Qt::TextAlignmentRole && index.column() != Name) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // Each title stands over its values: the numbers' titles on the right, as the numbers.
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section != Name)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    static const char* const kHeaders[] = {"Nom     ", "Taille  ", "Bitrate", "Fréquence", "Length"};
    return ColumnHeader(kHeaders, section, orientation, role);
}

Qt::ItemFlags LibraryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return index.column() == Name ? f | Qt::ItemIsEditable : f;
}

bool LibraryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != Name || index.row() >= static_cast<int>(rows_.size())) return false;
    QString name = value.toString().trimmed();
    const auto& row = rows_[static_cast<std::size_t>(index.row())];
    if (name.isEmpty() || name == QFileInfo(QString::fromStdString(row.path())).completeBaseName()) return false;
    Q_EMIT renameRequested(QString::fromStdString(row.path()), name);
    return false;  // the row changes when the core has renamed the file
}

}  // namespace tandril::gui
