// The file browser of the "&Favoris" page with real widgets: what a browse shows in it, its menu,
// and what its rows start.

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTreeView>

#include "browse/browse.h"
#include "chat/hot_list.h"
#include "gui/browse/browse_model.h"
#include "gui/pages/hot_list_page.h"
#include "session/hot_list.h"
#include "support/test_window.h"
#include "transfer/transfers.h"

using namespace tandril;
using test::Window;

namespace {

gui::HotListPage& Page(Window& w) {
    return *static_cast<gui::HotListPage*>(w.window.Tabs()->widget(3));
}

QStringList Row(QAbstractItemModel* model, int row) {
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column) cells << model->index(row, column).data().toString();
    return cells;
}

std::vector<browse::BrowseRecord> Files() {
    return {{"1:\\1\\Jazz\\So What.mp3", "h1", 8812032, 128, 44100, 551},
            {"2:\\2\\Radio\\Interview.WMA", "h2", 2621440, -1, 22050, -1},
            {"Loose.mp3", "h3", 999, 0, 0, 0}};
}

}  // namespace

TEST(BrowseView, ShowsTheStatusThenTheFilesOfTheBrowsedUser) {
    Window w;
    w.profile.Write(chat::kHotListFile, "kim\n");
    session::LoadHotList(w.client.session);
    w.client.hotList.ShowOnline("kim", 10);
    gui::HotListPage& page = Page(w);
    QAbstractItemModel* model = page.Browser()->model();
    w.window.ShowPage(MainViewModel::ChatPage, false);

    browse::ViewFiles(w.client.browse, "kim");
    QCoreApplication::processEvents();
    EXPECT_EQ(w.client.main.CurrentPage(), MainViewModel::HotListPage);
    EXPECT_EQ(page.UserField()->text(), "kim");
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 0).data().toString(), "Populating list for user: kim ...");
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsSelectable) << "a status is no file";

    // A list for another user changes nothing; the browsed user's fills the view.
    browse::BrowseFinished(w.client.browse, "lou", 0, Files());
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 1);
    browse::BrowseFinished(w.client.browse, "KIM", 0, Files());
    QCoreApplication::processEvents();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(Row(model, 0), (QStringList{"Jazz\\So What.mp3", "8,812,032", "128", "44100", "9:11"}));
    EXPECT_EQ(Row(model, 1), (QStringList{"Radio\\Interview.WMA", "2,621,440", "DRM", "22050", "DRM"}));
    EXPECT_EQ(Row(model, 2), (QStringList{"Loose.mp3", "999", "0", "0", "0:00"}));
    // Only one list finishes a browse.
    browse::BrowseFinished(w.client.browse, "kim", 0, {});
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_TRUE(test::RunUntil([&] { return w.client.hotList.InfoView().PlainText().contains("Total Files:   3"); }));
    EXPECT_TRUE(w.client.hotList.InfoView().PlainText().contains("File Data:   10 megs"))
        << w.client.hotList.InfoView().PlainText().toStdString();
    EXPECT_TRUE(w.client.hotList.InfoView().PlainText().contains("Ping:   N/A"));

    // The browsed user went offline: the browser empties.
    w.client.hotList.ShowOffline("kim");
    QCoreApplication::processEvents();
    EXPECT_EQ(model->rowCount(), 0);
}

TEST(BrowseView, MenuDownloadsAndPlaysTheSelectedFiles) {
    Window w;
    gui::HotListPage& page = Page(w);
    browse::ViewFiles(w.client.browse, "kim");
    browse::BrowseFinished(w.client.browse, "kim", 0, Files());
    QCoreApplication::processEvents();
    QTreeView* view = page.Browser();
    view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QMenu menu;
    page.FillBrowserMenu(menu);
    ASSERT_EQ(menu.actions().size(), 2);
    EXPECT_EQ(menu.actions()[0]->text(), "&Télécharger");
    EXPECT_EQ(menu.actions()[1]->text(), "&Jouer le Fichier!");
    menu.actions()[1]->trigger();  // a WMA file cannot be streamed
    EXPECT_EQ(w.ui.Texts("alert"), std::vector<std::string>{"WMA files cannot currently be streamed."});

    view->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(page.SelectedFiles(), (std::vector<std::size_t>{0, 1}));
    QMenu again;
    page.FillBrowserMenu(again);
    again.actions()[0]->trigger();
    auto lock = w.client.transfers.lists.Take(false);
    std::vector<std::string> names;
    for (const auto& r : w.client.transfers.lists.Of(lock, false)) {
        EXPECT_EQ(r->nick, "kim");
        names.push_back(r->remoteName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"1:\\1\\Jazz\\So What.mp3", "2:\\2\\Radio\\Interview.WMA"}));
}
