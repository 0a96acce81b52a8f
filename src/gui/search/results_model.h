#pragma once
// The search page's result list as a Qt model: the rows of the last search (or the one line that
// stands in for them), with the connection images and a value per column for sorting.

#include <QAbstractTableModel>

#include "search/search_session.h"

namespace tandril::gui {

class ResultsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Size, Bitrate, Frequency, Length, User, Connection, Ping, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole + 1;

    explicit ResultsModel(search::SearchSession& session, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The result behind a row (none for the one-line message).
    const search::SearchResult* ResultAt(int row) const;
    // Hides the media columns (no title, no width) for a type that is not a media type.
    void SetMediaColumns(bool shown);

private:
    void Reload();
    search::SearchSession& session_;
    search::SearchSession::View view_;
    bool mediaColumns_ = true;
};

}  // namespace tandril::gui
