#pragma once
// One list of the transfer page (downloads or uploads) as a Qt model over the core's rows, and the
// delegate that draws the progress column as a bar.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <functional>
#include <vector>

#include "transfer/transfer_view.h"

namespace tandril::gui {

class TransferModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kRowIdRole = Qt::UserRole + 1;
    static constexpr int kPercentRole = Qt::UserRole + 2;

    TransferModel(transfer::TransferView& view, bool outbound, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool Outbound() const { return outbound_; }

private:
    void Reload();
    transfer::TransferView& view_;
    bool outbound_;
    std::vector<transfer::TransferRow> rows_;
};

// The progress cell: the bar in the scheme's colour with the percentage in its middle.
// Column 5 of a running transfer: a bar of `percent` in the scheme's colour with the number in it
// (grey with white digits on a selected row).
void DrawTransferProgressBar(QPainter* painter, const QStyleOptionViewItem& option, int percent, const QColor& color);

// The percentage's font: "Arial" 13 pixels high.
QFont ProgressFont();

class ProgressBarDelegate : public QStyledItemDelegate {
public:
    // `color` gives the bar's colour when a cell is drawn (the scheme may change).
    ProgressBarDelegate(std::function<QColor()> color, QObject* parent) : QStyledItemDelegate(parent), color_(std::move(color)) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Tall enough for the percentage inside the bar's frame.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    std::function<QColor()> color_;
};

}  // namespace tandril::gui
