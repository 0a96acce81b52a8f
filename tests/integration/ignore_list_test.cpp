// Ignoring users on devserver: the server stops passing on what an ignored user says (private and
// channel messages) and passes it on again once unignored; the ignore-list dialog's rows follow
// the server's list and the user's actions; the server's refusals are notifications; an
// invitation's ignore button.

#include "session/ignore_list.h"

#include <gtest/gtest.h>

#include "chat/channel_list.h"
#include "session/instant_messages.h"
#include "support/people_user.h"
#include "support/session.h"

using namespace tandril;

namespace {

constexpr int kPrivateMessage = 205, kIgnore = 322, kUnignore = 323, kIgnoreClear = 326, kPublicMessage = 402;

using Rows = std::vector<std::string>;

}  // namespace

TEST(IgnoreList, IgnoredUserIsNotHeardUntilUnignored) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    ann.Type("Private", "/join hall");
    bob.Type("Private", "/join hall");
    ASSERT_TRUE(test::RunUntil([&] { return ann.client->chat.Find("#hall") && bob.client->chat.Find("#hall"); }));

    session::IgnoreUser(bob.session(), "ann");
    EXPECT_TRUE(bob.ShowsInChat("#hall", "* Ignoring user ann's channel and private messages!"));
    EXPECT_TRUE(session::IsIgnored(bob.session(), "ann"));
    ASSERT_TRUE(bob.ServerTook(kIgnore, 1));

    // Said while ignored: the server keeps it from bob (each taken before bob unignores).
    session::OpenInstantMessage(ann.session(), "bob");
    session::SendInstantMessage(ann.session(), *ann.ImWindow("bob"), "can you hear me?");
    ann.Type("#hall", "anyone?");
    ASSERT_TRUE(ann.ServerTook(kPrivateMessage, 1));
    ASSERT_TRUE(ann.ServerTook(kPublicMessage, 1));
    EXPECT_TRUE(ann.ShowsInChat("#hall", "<ann> anyone?"));

    session::UnignoreUser(bob.session(), "ann");
    EXPECT_TRUE(bob.ShowsInChat("#hall", "* Unignored user ann."));
    EXPECT_FALSE(session::IsIgnored(bob.session(), "ann"));
    ASSERT_TRUE(bob.ServerTook(kUnignore, 1));

    session::SendInstantMessage(ann.session(), *ann.ImWindow("bob"), "and now?");
    ann.Type("#hall", "hello again");
    EXPECT_TRUE(bob.ShowsInWindow("ann", "<ann> and now?"));
    EXPECT_TRUE(bob.ShowsInChat("#hall", "<ann> hello again"));
    // What came while ann was ignored never arrived, on the same connection before these.
    EXPECT_EQ(bob.ImLines("ann"), Rows{"<ann> and now?"});
    EXPECT_FALSE(test::PeopleUser::Has(bob.ChatLines("#hall"), "<ann> anyone?"));
}

TEST(IgnoreList, DialogFollowsTheServersListAndTheUsersActions) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    chat::IgnoreList& list = bob.client->ignoreList;
    auto rowsBecome = [&](const Rows& rows) {
        bool reached = test::RunUntil([&] { return list.Rows() == rows; });
        if (!reached) ADD_FAILURE() << "rows: " << testing::PrintToString(list.Rows());
        return reached;
    };

    // An empty list on the server: the placeholder says so.
    ASSERT_TRUE(session::OpenIgnoreListDialog(bob.session()));
    EXPECT_EQ(list.Rows(), Rows{"Populating list..."});
    EXPECT_TRUE(rowsBecome({"Ignore list is empty!"}));

    // Ignoring from a menu while the dialog is open replaces the placeholder; twice shows the
    // line twice and sends 322 twice, the row once, and the server's repeat notice.
    session::IgnoreUser(bob.session(), "ann");
    session::IgnoreUser(bob.session(), "ANN");
    EXPECT_EQ(list.Rows(), Rows{"ann"});
    ASSERT_TRUE(bob.ServerTook(kIgnore, 2));
    EXPECT_EQ(bob.FramesSent(kIgnore), (Rows{"ann", "ANN"}));
    ASSERT_TRUE(test::RunUntil([&] { return !bob.ui.Texts("alert-modeless").empty(); }));
    EXPECT_EQ(bob.ui.Texts("alert-modeless"), Rows{"User ANN is already on your ignore list!"});
    auto ignoringLines = bob.ChatLines("Private");
    EXPECT_EQ(std::count(ignoringLines.begin(), ignoringLines.end(), "* Ignoring user ann's channel and private messages!"), 1);
    EXPECT_EQ(std::count(ignoringLines.begin(), ignoringLines.end(), "* Ignoring user ANN's channel and private messages!"), 1);

    // "&Ajouter" with a name the server does not know: its notice, and the row stays; the
    // dialog's path remembers nothing.
    session::IgnoreFromDialog(bob.session(), "nobody");
    EXPECT_EQ(list.Rows(), (Rows{"ann", "nobody"}));
    ASSERT_TRUE(test::RunUntil([&] { return bob.ui.Texts("alert-modeless").size() == 2; }));
    EXPECT_EQ(bob.ui.Texts("alert-modeless").back(), "User nobody does not exist!");
    EXPECT_FALSE(session::IsIgnored(bob.session(), "nobody"));

    // Opened again: the server's own list.
    session::CloseIgnoreListDialog(bob.session());
    ASSERT_TRUE(session::OpenIgnoreListDialog(bob.session()));
    EXPECT_TRUE(rowsBecome({"ann"}));

    // "&Effacer": 323 and the row goes, but the run's memory is the menus' alone.
    session::UnignoreFromDialog(bob.session(), {"ann"});
    EXPECT_TRUE(list.Rows().empty());
    ASSERT_TRUE(bob.ServerTook(kUnignore, 1));
    EXPECT_TRUE(session::IsIgnored(bob.session(), "ann"));

    // "&Vider": the server answers with the count it cleared; the list is empty afterwards.
    session::IgnoreFromDialog(bob.session(), "ann");
    ASSERT_TRUE(bob.ServerTook(kIgnore, 3));
    session::ClearIgnoreList(bob.session());
    EXPECT_TRUE(list.Rows().empty());
    ASSERT_TRUE(bob.ServerTook(kIgnoreClear, 1));
    EXPECT_EQ(bob.FramesSent(kIgnoreClear), Rows{""});
    session::CloseIgnoreListDialog(bob.session());
    ASSERT_TRUE(session::OpenIgnoreListDialog(bob.session()));
    EXPECT_TRUE(rowsBecome({"Ignore list is empty!"}));

    // Placeholders are not names: "&Effacer" on one sends nothing.
    session::UnignoreFromDialog(bob.session(), {"Ignore list is empty!"});
    session::CloseIgnoreListDialog(bob.session());
    EXPECT_EQ(bob.FramesSent(kUnignore), Rows{"ann"});
}

TEST(IgnoreList, DialogNeedsAConnection) {
    test::Session s;
    EXPECT_FALSE(session::OpenIgnoreListDialog(s.client->session));
    EXPECT_EQ(s.ui.Texts("alert"), Rows{"You must first connect to the server!"});
    EXPECT_FALSE(s.client->ignoreList.DialogOpen());
}

TEST(IgnoreList, InvitationsIgnoreButtonIgnoresTheInviter) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    ann.Type("Private", "/join party");
    ASSERT_TRUE(test::RunUntil([&] { return ann.client->chat.Find("#party") != nullptr; }));

    bob.ui.invitationAnswers.push_back(UiPort::InvitationChoice::IgnoreUser);
    ann.ui.textAnswers.push_back("bob");
    chat::InviteToChannel(ann.client->channels);
    ASSERT_TRUE(bob.ServerTook(kIgnore, 1));
    EXPECT_EQ(bob.FramesSent(kIgnore), Rows{"ann"});
    EXPECT_TRUE(session::IsIgnored(bob.session(), "ann"));
    EXPECT_EQ(bob.client->chat.Find("#party"), nullptr);
}
