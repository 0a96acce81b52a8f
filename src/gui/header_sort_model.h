#pragma once
// Shared by the lists that sort on a header click (library, search results).

#include <QHeaderView>
#include <QObject>
#include <QSortFilterProxyModel>
#include <functional>
#include <memory>

namespace tandril::gui {

// A header click sorts by its column (by `sortRole`), a second click on it reverses; until the
// first click the rows keep the order the model gives them.
class HeaderSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    HeaderSortModel(int sortRole, QObject* parent) : QSortFilterProxyModel(parent) { setSortRole(sortRole); }
    void HeaderClicked(int column) {
        sort(column, sortColumn() == column && sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
};

// A header click sorts `model` by that column, and the header shows the column and the direction
// (no arrow until the first click, when the rows are in the order the model gives them).
inline void SortOnHeaderClick(QHeaderView* header, HeaderSortModel* model) {
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    QObject::connect(header, &QHeaderView::sectionClicked, model, [header, model](int column) {
        model->HeaderClicked(column);
        header->setSortIndicatorShown(true);
        header->setSortIndicator(column, model->sortOrder());
    });
}

// Calls `reload` on `receiver`'s thread once for any number of `signal`s emitted before it runs:
// a prune or a refresh changes many rows and the view reads them all again only once.
template <typename Sender, typename Signal>
void ConnectCoalesced(Sender* sender, Signal signal, QObject* receiver, std::function<void()> reload) {
    auto pending = std::make_shared<bool>(false);
    QObject::connect(sender, signal, receiver, [receiver, pending, reload] {
        if (*pending) return;
        *pending = true;
        QMetaObject::invokeMethod(
            receiver,
            [pending, reload] {
                *pending = false;
                reload();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace tandril::gui
