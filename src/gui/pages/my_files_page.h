#pragma once
#include <QWidget>

class QTreeView;

namespace tandril {
class Client;
}

namespace tandril::gui {

class LibraryModel;
class HeaderSortModel;
class PlayerPanelWidget;

// The page behind the tab &Fichiers: the library view, the files this user shares.
class MyFilesPage : public QWidget {
    Q_OBJECT
public:
    MyFilesPage(Client& client, QWidget* parent = nullptr);
    QTreeView* LibraryList() const { return list_; }
    PlayerPanelWidget* Player() const { return player_; }

    // The view's actions, also reachable from its menu and the Delete key.
    void RefreshLibrary();
    void RenameSelected();
    void DeleteSelected();
    // Appends the selected files to the playlist.
    void AddSelectedToPlaylist();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList SelectedPaths() const;
    void ShowMenu(const QPoint& at);

    Client& client_;
    LibraryModel* model_;
    HeaderSortModel* sorted_;
    QTreeView* list_;
    PlayerPanelWidget* player_;
};

}  // namespace tandril::gui
