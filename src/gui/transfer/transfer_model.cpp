#include "gui/transfer/transfer_model.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "base/column_headers.h"
#include "gui/header_sort_model.h"

namespace tandril::gui {

TransferModel::TransferModel(transfer::TransferView& view, bool outbound, QObject* parent)
    : QAbstractTableModel(parent), view_(view), outbound_(outbound) {
    ConnectCoalesced(&view_, &transfer::TransferView::changed, this, [this] { Reload(); });
    Reload();
}

void TransferModel::Reload() {
    auto rows = view_.Rows(outbound_);
    // Most changes rewrite cells of the same rows: redraw them in place so that the selection stays.
    const bool sameRows = rows.size() == rows_.size() && std::equal(rows.begin(), rows.end(), rows_.begin(),
                                                                    [](const auto& a, const auto& b) { return a.rowId == b.rowId; });
    if (sameRows) {
        rows_ = std::move(rows);
        if (!rows_.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, transfer::kTransferColumns - 1));
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TransferModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}
int TransferModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : transfer::kTransferColumns;
}

QVariant TransferModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const transfer::TransferRow& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == transfer::kProgressColumn && r.percent >= 0) return {};
            return QString::fromStdString(r.cells[static_cast<std::size_t>(index.column())]);
        case kRowIdRole:
            return r.rowId;
        case kPercentRole:
            return r.percent;
        default:
            return {};
    }
}

QVariant TransferModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kHeaders[] = {"Nom     ", "File Size", "User", "Status", "Vitesse", "Progress", "Rate", "Time Left"};
    static_assert(std::size(kHeaders) == transfer::kTransferColumns);
    return ColumnHeader(kHeaders, section, orientation, role);
}

QFont ProgressFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    return font;
}

void DrawTransferProgressBar(QPainter* painter, const QStyleOptionViewItem& option, int percent, const QColor& color) {
    const QRect cell = option.rect.adjusted(1, 1, -1, -1);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(cell, option.palette.base());
    painter->fillRect(QRect(cell.left(), cell.top(), cell.width() * std::min(percent, 100) / 100, cell.height()),
                      selected ? QColor(192, 192, 192) : color);
    painter->setPen(Qt::gray);
    painter->drawRect(cell.adjusted(0, 0, -1, -1));
    painter->setFont(ProgressFont());
    painter->setPen(selected ? Qt::white : option.palette.color(QPalette::Text));
    painter->drawText(cell, Qt::AlignCenter, QString::number(percent) + QLatin1Char('%'));
    painter->restore();
}

void ProgressBarDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const int percent = index.data(TransferModel::kPercentRole).toInt();
    if (percent < 0 || option.rect.width() < 50) return QStyledItemDelegate::paint(painter, option, index);
    DrawTransferProgressBar(painter, option, percent, color_());
}

}  // namespace tandril::gui

namespace tandril::gui {

QSize ProgressBarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // One pixel of the cell's margin and one of the frame above and below the digits.
    size.setHeight(std::max(size.height(), QFontMetrics(ProgressFont()).height() + 4));
    return size;
}

}  // namespace tandril::gui
