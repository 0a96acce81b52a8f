// Private messages between users on devserver: chat mode (lines in the personal-messages window)
// and instant-message mode (a window per partner, opened by the first message), the server's cut
// at 180 characters, /query, and a window's ignore button.

#include "session/instant_messages.h"

#include <gtest/gtest.h>

#include <csignal>

#include "platform/atomic_file.h"
#include "session/ignore_list.h"
#include "support/child_process.h"
#include "support/people_user.h"

using namespace tandril;

namespace {

constexpr int kPrivateMessage = 205;

}  // namespace

TEST(InstantMessages, ChatModeConversationBothWays) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    ann.SetInstantMessaging(false);
    bob.SetInstantMessaging(false);

    ann.Type("Private", "/msg bob are you there?");
    EXPECT_TRUE(ann.ShowsInChat("Private", "* You tell bob: are you there?"));
    EXPECT_TRUE(bob.ShowsInChat("Private", "* ann tells you: are you there?"));

    // With a channel window current, a received message shows there too.
    bob.Type("Private", "/join lounge");
    ASSERT_TRUE(test::RunUntil([&] { return bob.client->chat.Find("#lounge") != nullptr; }));
    bob.Type("#lounge", "/tell ann yes, in the lounge");
    EXPECT_TRUE(ann.ShowsInChat("Private", "* bob tells you: yes, in the lounge"));
    EXPECT_TRUE(bob.ShowsInChat("#lounge", "* You tell ann: yes, in the lounge"));
    ann.Type("Private", "/msg bob see you");
    EXPECT_TRUE(bob.ShowsInChat("Private", "* ann tells you: see you"));
    EXPECT_TRUE(bob.ShowsInChat("#lounge", "* ann tells you: see you"));

    // Chat mode never opens a window, and /query is refused.
    EXPECT_TRUE(ann.client->instantMessages.Windows().empty());
    EXPECT_TRUE(bob.client->instantMessages.Windows().empty());
    ann.Type("Private", "/query bob");
    EXPECT_TRUE(test::PeopleUser::Has(ann.ui.Texts("alert"), "/query is available only in the 'instant messaging' mode."));
    EXPECT_TRUE(ann.client->instantMessages.Windows().empty());
}

TEST(InstantMessages, WindowPerPartnerConversationBothWays) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann"), bob(server, "bob"), cat(server, "cat");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    ASSERT_TRUE(cat.GoOnline(server));

    // /query opens ann's window for bob; what she types there reaches bob in a window of his own.
    ann.Type("Private", "/query bob");
    ASSERT_TRUE(test::RunUntil([&] { return ann.ImWindow("bob") != nullptr; }));
    session::SendInstantMessage(ann.session(), *ann.ImWindow("bob"), "hello bob");
    EXPECT_TRUE(ann.ShowsInWindow("bob", "<ann> hello bob"));
    EXPECT_TRUE(bob.ShowsInWindow("ann", "<ann> hello bob"));
    // A message into an open window leaves it where it is (no raise).
    int raised = 0;
    QObject::connect(&ann.client->instantMessages, &chat::InstantMessages::windowRaised, [&] { ++raised; });
    session::SendInstantMessage(bob.session(), *bob.ImWindow("ann"), "hi ann");
    EXPECT_TRUE(ann.ShowsInWindow("bob", "<bob> hi ann"));
    EXPECT_EQ(raised, 0);
    EXPECT_EQ(ann.client->instantMessages.Windows().size(), 1u);

    // Another partner gets another window; the personal-messages window stays out of it.
    session::OpenInstantMessage(cat.session(), "ANN");
    ASSERT_TRUE(test::RunUntil([&] { return cat.ImWindow("ann") != nullptr; }));
    session::SendInstantMessage(cat.session(), *cat.ImWindow("ann"), "it's cat");
    ASSERT_TRUE(cat.ServerTook(kPrivateMessage, 1));
    EXPECT_EQ(cat.FramesSent(kPrivateMessage).front(), "ANN it's cat");
    EXPECT_TRUE(ann.ShowsInWindow("cat", "<cat> it's cat"));
    EXPECT_EQ(ann.client->instantMessages.Windows().size(), 2u);
    EXPECT_FALSE(test::PeopleUser::Has(ann.ChatLines("Private"), "* cat tells you: it's cat"));

    // An empty line is shown and sent, but not remembered; the history keeps the others.
    session::SendInstantMessage(ann.session(), *ann.ImWindow("bob"), "");
    EXPECT_TRUE(bob.ShowsInWindow("ann", "<ann>"));
    EXPECT_EQ(ann.ImWindow("bob")->history.Entries(), std::vector<std::string>{"hello bob"});

    // The server cuts a text at 180 characters.
    std::string longText(199, 'x');
    session::SendInstantMessage(ann.session(), *ann.ImWindow("bob"), longText + "tail");
    EXPECT_TRUE(bob.ShowsInWindow("ann", "<ann> " + std::string(180, 'x')));
    EXPECT_EQ(ann.FramesSent(kPrivateMessage).back(), "bob " + longText);  // the input's 199 characters

    // A closed window opens again with the partner's next message, empty but for it.
    session::CloseInstantMessage(bob.session(), "ann");
    EXPECT_EQ(bob.ImWindow("ann"), nullptr);
    session::SendInstantMessage(ann.session(), *ann.ImWindow("bob"), "still there?");
    EXPECT_TRUE(bob.ShowsInWindow("ann", "<ann> still there?"));
    EXPECT_EQ(bob.ImLines("ann").size(), 1u);
}

TEST(InstantMessages, IgnoreButtonTogglesAndClosesTheWindow) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));

    session::OpenInstantMessage(ann.session(), "bob");
    ASSERT_NE(ann.ImWindow("bob"), nullptr);
    EXPECT_FALSE(ann.ImWindow("bob")->peerIgnored);
    session::ToggleIgnorePeer(ann.session(), "bob");
    EXPECT_EQ(ann.ImWindow("bob"), nullptr);
    EXPECT_TRUE(session::IsIgnored(ann.session(), "bob"));
    ASSERT_TRUE(ann.ServerTook(322, 1));

    // Opened again, the window offers the opposite; pressing it unignores and closes.
    session::OpenInstantMessage(ann.session(), "bob");
    ASSERT_NE(ann.ImWindow("bob"), nullptr);
    EXPECT_TRUE(ann.ImWindow("bob")->peerIgnored);
    session::ToggleIgnorePeer(ann.session(), "bob");
    EXPECT_EQ(ann.ImWindow("bob"), nullptr);
    EXPECT_FALSE(session::IsIgnored(ann.session(), "bob"));
    ASSERT_TRUE(ann.ServerTook(323, 1));
    EXPECT_EQ(ann.FramesSent(323), std::vector<std::string>{"bob"});
}

// Private-message and ignore-list frames without their fields, overlong or binary: dropped or
// cut, the client stays online and still takes a sound message after them.
TEST(InstantMessages, HostileFramesAreDroppedWithoutHarm) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(session::OpenIgnoreListDialog(ann.session()));
    ASSERT_TRUE(ann.ServerTook(320, 1));
    const std::string binary("\x00\x01\xfe\xff\x7f\"\r\n", 8);
    const std::pair<int, std::string> frames[] = {
        {kPrivateMessage, ""},
        {kPrivateMessage, "nosender"},
        {kPrivateMessage, " no sender"},
        {kPrivateMessage, binary},
        {kPrivateMessage, std::string(1000, 'L') + " overlong sender"},
        {kPrivateMessage, std::string(5000, 'M') + " blank beyond the receive buffer"},
        {kPrivateMessage, "eve " + std::string(30000, 'x')},
        {321, ""},
        {321, binary},
        {321, std::string(3000, 'k')},
        {324, ""},
        {325, "\""},
        {320, binary},
    };
    for (const auto& [type, payload] : frames) ASSERT_TRUE(server.SendTo("ann", type, payload));
    ASSERT_TRUE(server.SendTo("ann", kPrivateMessage, "bob after all that"));
    ASSERT_TRUE(ann.ShowsInWindow("bob", "<bob> after all that"));

    EXPECT_TRUE(ann.client->state.connected);
    // Only the payloads with a sender opened windows, each named within a nick's width.
    std::vector<std::string> peers;
    for (const auto& w : ann.client->instantMessages.Windows()) peers.push_back(w.peer);
    ASSERT_EQ(peers.size(), 3u) << testing::PrintToString(peers);
    EXPECT_EQ(peers[0], std::string(19, 'L'));
    EXPECT_EQ(peers[1], "eve");
    EXPECT_EQ(peers[2], "bob");
    EXPECT_LE(ann.ImLines("eve").front().size(), 2047u + 1);
    // The list's rows: names cut to a nick's width, nothing for an empty entry.
    for (const auto& row : ann.client->ignoreList.Rows()) EXPECT_LE(row.size(), 19u) << row;
    EXPECT_TRUE(test::PeopleUser::Has(ann.client->ignoreList.Rows(), std::string(19, 'k')));
    EXPECT_TRUE(ann.ui.Texts("alert-modeless").size() <= 1u);  // 325 "\"" names an empty user at most
}

// tandril-cli --message=USER:TEXT sends the message once online, and prints the private messages
// it receives.
TEST(InstantMessages, CommandLineSendsAndPrintsPrivateMessages) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::PeopleUser ann(server, "ann");
    ASSERT_TRUE(ann.GoOnline(server));

    test::TestProfile carl;
    const auto output = carl.path() / "output.txt";
    std::vector<std::string> argv{"/bin/sh",
                                  "-c",
                                  "exec \"$0\" \"$@\" > \"$OUT\" < /dev/null",
                                  TANDRIL_CLI_BINARY,
                                  "--profile",
                                  carl.path().string(),
                                  "--redirector",
                                  "127.0.0.1:" + std::to_string(server.RedirectorPort()),
                                  "--user=carl",
                                  "--password=pw",
                                  "--message=ann:hello from the command line"};
    test::ChildProcess cli(argv, {"OUT=" + output.string(), "TANDRIL_PLUGIN_DIR=" TANDRIL_BUNDLED_PLUGINS});
    EXPECT_TRUE(ann.ShowsInWindow("carl", "<carl> hello from the command line"));
    ASSERT_NE(ann.ImWindow("carl"), nullptr);
    session::SendInstantMessage(ann.session(), *ann.ImWindow("carl"), "hi script");
    EXPECT_TRUE(test::RunUntil([&] {
        return platform::ReadWholeFile(output).value_or("").find("[(ann) Instant Message] <ann> hi script") != std::string::npos;
    })) << platform::ReadWholeFile(output).value_or("");
    cli.Signal(SIGTERM);
    EXPECT_TRUE(cli.Wait(std::chrono::seconds(10)).has_value() || !cli.Running());
}
