#include "gui/browse/browse_model.h"

#include "gui/header_sort_model.h"

namespace tandril::gui {

BrowseModel::BrowseModel(browse::BrowseView& view, QObject* parent) : QAbstractTableModel(parent), view_(view) {
    ConnectCoalesced(&view_, &browse::BrowseView::changed, this, [this] { Reload(); });
    Reload();
}

void BrowseModel::Reload() {
    beginResetModel();
    records_ = view_.Records();
    status_ = QString::fromStdString(view_.Status());
    endResetModel();
}

std::ptrdiff_t BrowseModel::RecordOf(const QModelIndex& index) {
    return index.isValid() ? index.data(Qt::UserRole).value<qlonglong>() : -1;
}

QString BrowseModel::ShownName(const std::string& name) {
    // "n:\n\share name": the folder numbers mean nothing to the user.
    const std::size_t colon = name.find(":\\");
    const std::size_t second = colon == std::string::npos ? colon : name.find('\\', colon + 2);
    if (colon != std::string::npos && colon > 0 && second != std::string::npos) return QString::fromStdString(name.substr(second + 1));
    return QString::fromStdString(name);
}

int BrowseModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    if (records_->empty()) return status_.isEmpty() ? 0 : 1;
    return static_cast<int>(records_->size());
}

int BrowseModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BrowseModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (records_->empty()) {
        if (role == Qt::DisplayRole && index.column() == Name) return status_;
        if (role == Qt::UserRole) return qlonglong(-1);
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= records_->size()) return {};
    if (role == Qt::UserRole) return qlonglong(row);
    if (role != Qt::DisplayRole) return {};
    const browse::BrowseRecord& r = (*records_)[row];
    switch (index.column()) {
        case Name:
            return ShownName(r.name);
        case Size:
            return QString::fromStdString(browse::BrowseSizeText(r));
        case Bitrate:
            return QString::fromStdString(browse::BrowseValueText(r.bitrate));
        case Frequency:
            return QString::fromStdString(browse::BrowseValueText(r.frequency));
        case Length:
            return QString::fromStdString(browse::BrowseLengthText(r));
    }
    return {};
}

QVariant BrowseModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[] = {"Nom     ", "Taille  ", "Bitrate", "Fréquence", "Length"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount) return {};
    return QString::fromUtf8(kTitles[section]);
}

Qt::ItemFlags BrowseModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    if (records_->empty()) return Qt::ItemIsEnabled;  // the status text is no file
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace tandril::gui
