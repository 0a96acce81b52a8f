#pragma once
// The page behind the tab "&Favoris": the hot list's users in two lists, "Online" and "Offline",
// with their menus; the file browser of a user chosen there (filled by browsing, empty until a
// browse shows something), its user-name field and browse button; the add button; and the one-line
// information view.

#include <QWidget>
#include <string>
#include <vector>

class QLineEdit;
class QMenu;
class QPushButton;
class QTreeView;
class QTreeWidget;

namespace tandril {
class Client;
}

namespace tandril::gui {

class BrowseModel;
class ChatViewWidget;

class HotListPage : public QWidget {
    Q_OBJECT
public:
    HotListPage(Client& client, QWidget* parent = nullptr);

    QTreeWidget* OnlineList() const { return online_; }
    QTreeWidget* OfflineList() const { return offline_; }
    QTreeView* Browser() const { return browser_; }
    BrowseModel* BrowserModel() const { return browserModel_; }
    QLineEdit* UserField() const { return userField_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* BrowseButton() const { return browse_; }
    ChatViewWidget* Info() const { return info_; }
    // The selected names of a list, in row order.
    std::vector<std::string> Selected(bool online) const;
    // The pop-up menu of a list, for its selected rows.
    void FillMenu(QMenu& menu, bool online);
    // The browser's records under the selected rows, in row order.
    std::vector<std::size_t> SelectedFiles() const;
    // The file browser's pop-up menu, for its selected rows.
    void FillBrowserMenu(QMenu& menu);

private:
    QTreeWidget* MakeList(const char* title, bool online);
    void Redraw();
    void ClearBrowser();

    Client& client_;
    QTreeWidget* online_;
    QTreeWidget* offline_;
    QTreeView* browser_;
    BrowseModel* browserModel_;
    QLineEdit* userField_;
    QPushButton* browse_;
    QPushButton* add_;
    ChatViewWidget* info_;
};

}  // namespace tandril::gui
