#include "gui/list_columns.h"

#include <QEvent>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

namespace tandril::gui {

ListColumns::ListColumns(QTreeView* view, std::vector<ColumnSpec> specs) : ListColumns(view, view->header(), std::move(specs)) {}

ListColumns::ListColumns(QTableView* view, std::vector<ColumnSpec> specs) : ListColumns(view, view->horizontalHeader(), std::move(specs)) {}

ListColumns::ListColumns(QAbstractItemView* view, QHeaderView* header, std::vector<ColumnSpec> specs)
    : QObject(view),
      view_(view),
      header_(header),
      viewport_(view->viewport()),
      headerViewport_(header->viewport()),
      specs_(std::move(specs)),
      userResized_(specs_.size(), false) {
    header->setStretchLastSection(false);  // the name column takes the rest, not the last one
    header->setSectionResizeMode(QHeaderView::Interactive);
    applying_ = true;
    for (std::size_t i = 0; i < specs_.size(); ++i) header->resizeSection(static_cast<int>(i), specs_[i].width);
    applying_ = false;

    headerViewport_->installEventFilter(this);
    viewport_->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (applying_ || !dragging_ || column < 0 || static_cast<std::size_t>(column) >= userResized_.size()) return;
        userResized_[static_cast<std::size_t>(column)] = true;
    });
    // A double click on a section's edge fits it to its values: that is the user's choice too.
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, [this](int column) {
        if (column >= 0 && static_cast<std::size_t>(column) < userResized_.size()) userResized_[static_cast<std::size_t>(column)] = true;
    });
    if (QAbstractItemModel* model = view->model()) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &ListColumns::RefitLater);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ListColumns::RefitLater);
        connect(model, &QAbstractItemModel::dataChanged, this, &ListColumns::RefitLater);
        connect(model, &QAbstractItemModel::modelReset, this, &ListColumns::RefitLater);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ListColumns::RefitLater);
        connect(model, &QAbstractItemModel::headerDataChanged, this, &ListColumns::RefitLater);
    }
    RefitLater();
}

bool ListColumns::UserResized(int column) const {
    return column >= 0 && static_cast<std::size_t>(column) < userResized_.size() && userResized_[static_cast<std::size_t>(column)];
}

void ListColumns::RefitLater() {
    if (refitPending_) return;
    refitPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            refitPending_ = false;
            Refit();
        },
        Qt::QueuedConnection);
}

int ListColumns::ContentWidth(int column) const {
    // The rows near the visible ones (the header's precision bounds the count), and the title with
    // its sort arrow.
    return std::max(view_->sizeHintForColumn(column), header_->sectionSizeHint(column));
}

void ListColumns::Refit() {
    QHeaderView* header = header_;
    const bool empty = !view_->model() || view_->model()->rowCount() == 0;
    applying_ = true;
    int stretch = -1;
    int others = 0;
    for (std::size_t i = 0; i < specs_.size(); ++i) {
        const int column = static_cast<int>(i);
        const ColumnSpec& spec = specs_[i];
        if (column >= header->count()) break;
        if (spec.fit == ColumnFit::Stretch && !userResized_[i]) {
            stretch = column;
            continue;
        }
        if (header->isSectionHidden(column)) continue;
        if (spec.fit == ColumnFit::Content && !userResized_[i]) {
            // Grows with what it shows and keeps that width while rows are listed (a rate going
            // from "9.50" to "10.25" k/s must not make the columns jump); an empty list starts over.
            const int current = empty ? spec.width : header->sectionSize(column);
            header->resizeSection(column, std::max({spec.width, current, ContentWidth(column)}));
        }
        others += header->sectionSize(column);
    }
    if (stretch >= 0) {
        const int left = viewport_->width() - others;
        header->resizeSection(stretch, std::max(specs_[static_cast<std::size_t>(stretch)].width, left));
    }
    applying_ = false;
}

bool ListColumns::eventFilter(QObject* watched, QEvent* event) {
    if (watched == headerViewport_) {
        if (event->type() == QEvent::MouseButtonPress) dragging_ = true;
        if (event->type() == QEvent::MouseButtonRelease) {
            dragging_ = false;
            RefitLater();  // the name column takes what the user's change left over
        }
    } else if (watched == viewport_ && event->type() == QEvent::Resize) {
        RefitLater();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tandril::gui
