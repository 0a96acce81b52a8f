// The "&Favoris" page, the information dialogs and the name the user prompts offer, on the real
// main window.

#include "gui/pages/hot_list_page.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>
#include <QTreeWidget>

#include "chat/hot_list.h"
#include "gui/chat/chat_view_widget.h"
#include "gui/pages/chat_page.h"
#include "gui/selected_user_name.h"
#include "gui/user_info_window.h"
#include "session/hot_list.h"
#include "support/test_window.h"

using namespace tandril;
using test::RunUntil;
using test::Window;

namespace {

gui::HotListPage& Page(Window& w) {
    return *static_cast<gui::HotListPage*>(w.window.Tabs()->widget(3));
}

QStringList Rows(QTreeWidget* list) {
    QStringList names;
    for (int row = 0; row < list->topLevelItemCount(); ++row) names << list->topLevelItem(row)->text(0);
    return names;
}

QStringList Texts(QMenu& menu) {
    QStringList texts;
    for (QAction* a : menu.actions()) texts << a->text();
    return texts;
}

}  // namespace

TEST(HotListPage, ListsFollowTheServerAndTheMenusOfferWhatEachListAllows) {
    Window w;
    w.profile.Write(chat::kHotListFile, "kim\nlou\nana\n");
    session::LoadHotList(w.client.session);
    w.client.hotList.ShowOnline("kim", 10);
    w.client.hotList.ShowOnline("lou", 2);
    QCoreApplication::processEvents();
    gui::HotListPage& page = Page(w);
    EXPECT_EQ(Rows(page.OnlineList()), (QStringList{"kim", "lou"}));
    EXPECT_EQ(Rows(page.OfflineList()), QStringList{"ana"});
    EXPECT_FALSE(page.OnlineList()->topLevelItem(0)->icon(0).isNull());
    EXPECT_EQ(page.Browser()->model()->columnCount(), 5);
    EXPECT_EQ(page.Browser()->model()->headerData(0, Qt::Horizontal).toString(), "Nom     ");
    EXPECT_EQ(page.Browser()->model()->headerData(3, Qt::Horizontal).toString(), "Fréquence");
    EXPECT_EQ(page.Browser()->model()->rowCount(), 0) << "empty until a browse fills it";

    page.OnlineList()->topLevelItem(1)->setSelected(true);
    QMenu online;
    page.FillMenu(online, true);
    EXPECT_EQ(Texts(online), (QStringList{"&Envoyer un Message Instantané", "&Voir les Infos sur l'Utilisateur", "&Parcourir les Fichiers",
                                          "", "&Effacer l'Utilisateur"}));
    page.OfflineList()->topLevelItem(0)->setSelected(true);
    QMenu offline;
    page.FillMenu(offline, false);
    EXPECT_EQ(Texts(offline), (QStringList{"&Effacer l'Utilisateur", "&Voir les Infos sur l'Utilisateur"}));

    // Removing lou after the question: the row goes, the selection of the others stays.
    w.ui.Script({Answer::Yes});
    online.actions().back()->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Rows(page.OnlineList()), QStringList{"kim"});
    EXPECT_EQ(w.client.hotList.Names(), (std::vector<std::string>{"kim", "ana"}));

    // Going offline: every user in the offline list.
    session::ShowHotListOffline(w.client.session);
    QCoreApplication::processEvents();
    EXPECT_TRUE(Rows(page.OnlineList()).isEmpty());
    EXPECT_EQ(Rows(page.OfflineList()), (QStringList{"ana", "kim"}));
}

TEST(HotListPage, TheInformationLineAndTheUserField) {
    Window w;
    gui::HotListPage& page = Page(w);
    w.client.hotList.ShowInfo("1,234", "56", "12", "kim");
    QCoreApplication::processEvents();
    EXPECT_EQ(page.UserField()->text(), "kim");
    EXPECT_EQ(w.client.hotList.InfoView().PlainText().trimmed().toStdString(),
              "User:   kim         Total Files:   1,234             File Data:   56 megs               Ping:   12");
    w.window.ShowPage(MainViewModel::HotListPage, true);
    EXPECT_EQ(gui::SelectedUserName(w.window), "kim");
    page.UserField()->setText("someone_with_a_long_name");
    EXPECT_EQ(gui::SelectedUserName(w.window), "someone_with_a_long");
}

TEST(SelectedUserName, FromTheCurrentChannelsUserList) {
    Window w;
    w.client.channels.OnChannelJoined({"#jazz"});
    for (const char* user : {"lea", "kim", "lou"}) w.client.channels.OnUserEntry({"#jazz", user, 1, 8});
    w.client.chat.Current().users->Flush();
    w.window.ShowPage(MainViewModel::ChatPage, true);
    QCoreApplication::processEvents();
    EXPECT_EQ(gui::SelectedUserName(w.window), "") << "nothing selected";
    auto* chat = static_cast<gui::ChatPage*>(w.window.Tabs()->widget(0));
    gui::ChatWindowPage* channel = chat->PageOf(&w.client.chat.Current());
    ASSERT_NE(channel, nullptr);
    ASSERT_NE(channel->UserList(), nullptr);
    const auto& rows = w.client.chat.Current().users->Rows();
    int kim = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) kim = rows[i]->name == "kim" ? static_cast<int>(i) : kim;
    ASSERT_GE(kim, 0);
    channel->UserList()->selectRow(kim);
    EXPECT_EQ(gui::SelectedUserName(w.window), "kim");
    w.window.ShowPage(MainViewModel::TransfersPage, true);
    EXPECT_EQ(gui::SelectedUserName(w.window), "") << "no transfer selected";
}

TEST(UserInfoDialog, OneDialogPerAnswerClosedWithItsRecord) {
    Window w;
    auto* dialogs = w.window.findChild<gui::UserInfoDialogs*>();
    ASSERT_NE(dialogs, nullptr);
    protocol::UserInfoOnline info{.user = "kim", .level = "User", .secondsConnected = 3725, .clientVersion = "v2"};
    w.client.userInfo.ShowOnline(info);
    w.client.userInfo.ShowOnline(info);
    ASSERT_EQ(w.client.userInfo.Windows().size(), 2u);
    const int first = w.client.userInfo.Windows()[0]->id, second = w.client.userInfo.Windows()[1]->id;
    gui::UserInfoDialog* dialog = dialogs->Dialog(first);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialogs->Dialog(second), nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "kim's Finger Information");
    EXPECT_TRUE(dialog->View()->toPlainText().contains("Time Connected: 01:02"));

    dialog->close();
    ASSERT_TRUE(RunUntil([&] { return w.client.userInfo.Windows().size() == 1; }));
    EXPECT_EQ(dialogs->Dialog(first), nullptr);
    EXPECT_EQ(w.client.userInfo.Windows()[0]->id, second);

    // The core lets a window go (a flood pushed it out): its dialog goes with it.
    w.client.userInfo.Close(second);
    EXPECT_EQ(dialogs->Dialog(second), nullptr);
    EXPECT_TRUE(w.client.userInfo.Windows().empty());
}
