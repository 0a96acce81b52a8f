#pragma once
// The folder tree in which the user ticks the folders to share (or the one to save into): a
// ticked folder is shared with everything below it, and the tree shows which folders are shared
// themselves, shared through a folder above, or hold a shared folder below. A legend explains
// the four images.

#include <QStringList>
#include <QWidget>

class QTreeView;

namespace tandril::gui {

class FolderTreeModel;

class FolderTree : public QWidget {
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);
    void Clear();
    void Tick(const QString& folder);
    // In the order they were ticked.
    QStringList TickedFolders() const;
    QTreeView* View() const { return view_; }
    // One folder at a time (the save folder): what the user ticks last is the one ticked.
    void SetSingleChoice(bool on);
    // Scrolls the first ticked folder into view.
    void ShowFirstTicked();

    // The four states a folder shows, with their legend texts.
    enum class State { Shared, SharedByRecursion, HoldsSharedFolder, NotShared };
    static QString LegendText(State state);
    State StateOf(const QString& folder) const;

Q_SIGNALS:
    void tickedChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    FolderTreeModel* model_;
    QTreeView* view_;
};

}  // namespace tandril::gui
