#pragma once
// The file browser's rows as a Qt model: the browsed user's files from the core's BrowseView, or
// its one status text. The rows are the view's own block, shared and not copied, so that showing a
// hundred thousand files costs one reset and no more than the visible rows are ever drawn.

#include <QAbstractTableModel>

#include "browse/browse_view.h"

namespace tandril::gui {

class BrowseModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Size, Bitrate, Frequency, Length, ColumnCount };

    explicit BrowseModel(browse::BrowseView& view, QObject* parent = nullptr);
    // The record a row shows, -1 for the status row.
    static std::ptrdiff_t RecordOf(const QModelIndex& index);
    // The name as the list shows it: the virtual name without its "n:\n\" folder part.
    static QString ShownName(const std::string& virtualName);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void Reload();
    browse::BrowseView& view_;
    browse::BrowseRecords records_;
    QString status_;
};

}  // namespace tandril::gui
