#pragma once
// How the columns of a list share its width: every list starts with the widths it was designed
// with, the name column takes the room left over when the list is wider, and a column that must
// show a whole value (a size, a state, a rate) widens to it until the user sizes it by hand.

#include <QObject>
#include <vector>

class QAbstractItemView;
class QHeaderView;
class QTableView;
class QTreeView;
class QWidget;

namespace tandril::gui {

enum class ColumnFit {
    Fixed,    // keeps its width (a progress bar, a short text)
    Content,  // at least as wide as the widest value shown, and its title
    Stretch,  // the name column: the room the other columns leave, never below its width
};

struct ColumnSpec {
    int width;
    ColumnFit fit = ColumnFit::Content;
};

class ListColumns : public QObject {
    Q_OBJECT
public:
    // Owned by the view; one spec per column of the view's model.
    ListColumns(QTreeView* view, std::vector<ColumnSpec> specs);
    ListColumns(QTableView* view, std::vector<ColumnSpec> specs);

    // Widths again from the rows now shown and the view's width. It runs by itself, once, after
    // rows change or the view is resized.
    void Refit();
    bool UserResized(int column) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ListColumns(QAbstractItemView* view, QHeaderView* header, std::vector<ColumnSpec> specs);
    void RefitLater();
    int ContentWidth(int column) const;

    // The view owns this object, so these outlive it. Plain pointers: the event filter still sees
    // the viewports' events while the view is being destroyed, when it is no longer a view.
    QAbstractItemView* view_;
    QHeaderView* header_;
    QWidget* viewport_;
    QWidget* headerViewport_;
    std::vector<ColumnSpec> specs_;
    std::vector<bool> userResized_;
    bool applying_ = false;      // our own resizes are not the user's
    bool dragging_ = false;      // a resize while a header button is down is the user's
    bool refitPending_ = false;  // many row changes, one refit
};

}  // namespace tandril::gui
