#include "gui/search/results_model.h"

#include <QApplication>
#include <QIcon>
#include <climits>

#include "base/column_headers.h"
#include "gui/header_sort_model.h"
#include "gui/speed_icon.h"

namespace tandril::gui {
namespace {

qlonglong Digits(const std::string& text) {
    qlonglong value = 0;
    bool any = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            any = true;
        }
    }
    return any ? value : -1;  // "DRM" before every number
}

}  // namespace

ResultsModel::ResultsModel(search::SearchSession& session, QObject* parent) : QAbstractTableModel(parent), session_(session) {
    ConnectCoalesced(&session_, &search::SearchSession::changed, this, [this] { Reload(); });
    Reload();
}

void ResultsModel::Reload() {
    beginResetModel();
    view_ = session_.Snapshot();
    endResetModel();
}

static const search::SearchResult* ResultAt_(const search::SearchSession::View& view, int row) {
    if (row < 0 || row >= static_cast<int>(view.rows.size())) return nullptr;
    return &view.results[view.rows[static_cast<std::size_t>(row)].result];
}

const search::SearchResult* ResultsModel::ResultAt(int row) const {
    return ResultAt_(view_, row);
}

void ResultsModel::SetMediaColumns(bool shown) {
    mediaColumns_ = shown;
    Q_EMIT headerDataChanged(Qt::Horizontal, Bitrate, Length);
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return view_.rows.empty() ? (view_.message.empty() ? 0 : 1) : static_cast<int>(view_.rows.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (view_.rows.empty()) {
        return role == Qt::DisplayRole && index.column() == Name ? QString::fromStdString(view_.message) : QVariant();
    }
    const search::ResultRow& r = view_.rows[static_cast<std::size_t>(index.row())];
    const search::SearchResult& result = view_.results[r.result];
    auto text = [](const std::string& s) { return QString::fromStdString(s); };
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
            case Name:
                return text(r.name);
            case Size:
                return text(r.size);
            case Bitrate:
                return text(r.bitrate);
            case Frequency:
                return text(r.frequency);
            case Length:
                return text(r.length);
            case User:
                return text(r.user);
            case Connection:
                return text(r.connection);
            case Ping:
                return text(r.ping);
        }
    }
    if (role == Qt::DecorationRole && index.column() == Name) return LineSpeedIcon(r.image);
    if (role == kSortRole) {
        switch (index.column()) {
            case User:
                return text(r.user).toCaseFolded();
            case Connection:
                return result.lineSpeed;
            case Ping:
                return r.ping == "N/A" ? QVariant(INT_MAX) : QVariant(result.ping);  // "N/A" after every number
            case Name:
                return text(r.name).toCaseFolded();
            case Size:
                return Digits(r.size);
            case Bitrate:
                return Digits(r.bitrate);
            case Frequency:
                return Digits(r.frequency);
            case Length:
                return Digits(r.length);
        }
    }
    if (role == Qt::TextAlignmentRole && index.column() >= Size && index.column() <= Length)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // Each title stands over its values: the numbers' titles on the right, as the numbers.
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section >= Size && section <= Length)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    static const char* const kHeaders[] = {"Nom     ", "Taille  ", "Bitrate", "Freq", "Length", "User", "Connection", "Ping"};
    QVariant header = ColumnHeader(kHeaders, section, orientation, role);
    if (header.isValid() && !mediaColumns_ && section >= Bitrate && section <= Length) return QString();
    return header;
}

}  // namespace tandril::gui
