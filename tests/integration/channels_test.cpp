// Users meet in channels on devserver: joining, talking, the user lists, topics, emotes, being
// removed by the server, the disconnect rule and joining again after a login, the channel list
// and invitations.

#include <gtest/gtest.h>

#include "chat/channel_list.h"
#include "chat/channels_file.h"
#include "chat/chat_commands.h"
#include "session/reconnect.h"
#include "session/server_disconnect.h"
#include "session/session.h"
#include "support/network_user.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

struct ChatUser : test::NetworkUser {
    ChatUser(devserver::DevServer& server, const std::string& name, int lineSpeed) : NetworkUser(server, name, lineSpeed) {}

    chat::Channels& channels() { return client->channels; }
    chat::ChannelWindow* Window(const std::string& name) { return client->chat.Find(name); }
    void Type(const std::string& window, const std::string& text) {
        chat::ChannelWindow* w = Window(window);
        ASSERT_NE(w, nullptr) << window;
        chat::RunChatLine(channels(), *w, text);
    }
    std::vector<std::string> Lines(const std::string& window) {
        std::vector<std::string> lines;
        if (chat::ChannelWindow* w = Window(window)) {
            for (const auto& line : w->chatView.Lines()) lines.push_back(line.plain.trimmed().toStdString());
        }
        return lines;
    }
    bool Shows(const std::string& window, const std::string& line) {
        bool shown = test::RunUntil([&] {
            auto lines = Lines(window);
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
        if (!shown) {
            for (const auto& l : Lines(window)) ADD_FAILURE() << window << ": " << l;
        }
        return shown;
    }
    std::vector<std::string> Users(const std::string& window) {
        std::vector<std::string> names;
        if (chat::ChannelWindow* w = Window(window)) {
            for (const auto& row : w->users->Rows()) names.push_back(row->name);
        }
        return names;
    }
    std::string CountLine(const std::string& window) {
        chat::ChannelWindow* w = Window(window);
        return w ? w->userCountView.PlainText().trimmed().toStdString() : "";
    }
    std::string TopicLine(const std::string& window) {
        chat::ChannelWindow* w = Window(window);
        return w ? w->topicView.PlainText().trimmed().toStdString() : "";
    }
    bool JoinAndWait(const std::string& typed, const std::string& acknowledged) {
        chat::RunChatLine(channels(), client->chat.Current(), "/join " + typed);
        return test::RunUntil([&] { return Window(acknowledged) && !TopicLine(acknowledged).empty(); });
    }
};

}  // namespace

TEST(Channels, TwoUsersJoinTalkAndSeeEachOther) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    ChatUser ann(server, "ann", 8), bob(server, "bob", 4);
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));

    // Without "#": the server names the channel "#test", and so does the window.
    ASSERT_TRUE(ann.JoinAndWait("test", "#test"));
    EXPECT_EQ(ann.Window("test"), nullptr);
    EXPECT_EQ(ann.Users("#test"), std::vector<std::string>{"ann"});
    EXPECT_EQ(ann.CountLine("#test"), "1 user in channel.");
    EXPECT_EQ(ann.TopicLine("#test"), "#test:   Welcome to #test!");
    EXPECT_EQ(chat::ReadChannelsFile(ann.profile.path()), std::vector<std::string>{"#test"});

    ASSERT_TRUE(bob.JoinAndWait("#TEST", "#test"));
    EXPECT_EQ(bob.Users("#test"), (std::vector<std::string>{"ann", "bob"}));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Users("#test").size() == 2; }));
    EXPECT_EQ(ann.CountLine("#test"), "2 users in channel.");
    EXPECT_TRUE(ann.Shows("#test", "* bob (56K) [sharing 0 files] has joined."));

    // Talk both ways: the line reaches both, the sender's own through the server.
    ann.Type("#test", "hello bob");
    EXPECT_TRUE(bob.Shows("#test", "<ann> hello bob"));
    EXPECT_TRUE(ann.Shows("#test", "<ann> hello bob"));
    bob.Type("#test", "  hi ann  ");
    EXPECT_TRUE(ann.Shows("#test", "<bob> hi ann"));
    auto sent = server.FramesFrom("bob");
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](auto& f) { return f.type == 402 && f.payload == "#test hi ann"; }));

    // The server cuts long lines to 180 characters.
    ann.Type("#test", std::string(250, 'z'));
    EXPECT_TRUE(bob.Shows("#test", "<ann> " + std::string(180, 'z')));

    // Topic and emote.
    bob.Type("#test", "/topic #test tonight: jazz");
    ASSERT_TRUE(test::RunUntil([&] { return ann.TopicLine("#test") == "#test:   tonight: jazz"; }));
    EXPECT_EQ(server.ChannelTopicOf("#test"), "tonight: jazz");
    ann.Type("#test", "/me dances");
    EXPECT_TRUE(bob.Shows("#test", "* ann dances"));

    // A third user comes and goes, seen with join and part lines; with them off, only the list.
    ChatUser cat(server, "cat", 10);
    ASSERT_TRUE(cat.GoOnline(server));
    ASSERT_TRUE(cat.JoinAndWait("#test", "#test"));
    EXPECT_TRUE(ann.Shows("#test", "* cat (T3) [sharing 0 files] has joined."));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Users("#test") == std::vector<std::string>{"ann", "bob", "cat"}; }));
    bob.client->state.EditSettings()->displayJoinPart = false;
    std::size_t bobLines = bob.Lines("#test").size();
    cat.Type("#test", "/part");
    EXPECT_EQ(cat.Window("#test"), nullptr);
    EXPECT_TRUE(ann.Shows("#test", "* cat (T3) [sharing 0 files] has left."));
    ASSERT_TRUE(test::RunUntil([&] { return bob.Users("#test").size() == 2; }));
    EXPECT_EQ(bob.CountLine("#test"), "2 users in channel.");
    EXPECT_EQ(bob.Lines("#test").size(), bobLines);
    EXPECT_TRUE(chat::ReadChannelsFile(cat.profile.path()).empty());

    // Removed by the server: the window goes and the channel is forgotten.
    server.RemoveFromChannel("#test", "bob");
    ASSERT_TRUE(test::RunUntil([&] { return bob.Window("#test") == nullptr; }));
    EXPECT_TRUE(chat::ReadChannelsFile(bob.profile.path()).empty());
    ASSERT_TRUE(test::RunUntil([&] { return ann.Users("#test") == std::vector<std::string>{"ann"}; }));
    EXPECT_EQ(server.ChannelMembers("#test"), std::vector<std::string>{"ann"});
}

// A lost connection closes the channel windows but keeps them in channels.dat; the next login
// joins them again (then asks for the message of the day).
TEST(Channels, ChannelsAreJoinedAgainAfterTheNextLogin) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    ChatUser ann(server, "ann", 8);
    ASSERT_TRUE(ann.GoOnline(server));
    ann.client->state.EditSettings()->autoJoin = true;
    ASSERT_TRUE(ann.JoinAndWait("#one", "#one"));
    ASSERT_TRUE(ann.JoinAndWait("two", "#two"));
    EXPECT_EQ(&ann.client->chat.Current(), ann.Window("#two"));

    session::ServerDisconnect(ann.client->session, true);
    ASSERT_TRUE(test::RunUntil([&] { return !ann.client->chat.HasChannels(); }));
    EXPECT_EQ(&ann.client->chat.Current(), &ann.client->chat.Personal());
    EXPECT_EQ(chat::ReadChannelsFile(ann.profile.path()), (std::vector<std::string>{"#one", "#two"}));
    ASSERT_TRUE(test::RunUntil([&] { return !server.IsOnline("ann"); }));

    const std::size_t before = server.FramesFrom("ann").size();
    session::ConnectCommand(ann.client->session);
    ASSERT_TRUE(test::RunUntil([&] { return ann.Window("#one") && ann.Window("#two"); }, 10s));
    auto frames = server.FramesFrom("ann");
    std::vector<std::pair<int, std::string>> after;
    for (std::size_t i = before; i < frames.size(); ++i) {
        if (frames[i].type == 400 || frames[i].type == 621) after.emplace_back(frames[i].type, frames[i].payload);
    }
    EXPECT_EQ(after, (std::vector<std::pair<int, std::string>>{{400, "#one"}, {400, "#two"}, {621, ""}}));
    EXPECT_EQ(server.ChannelMembers("#one"), std::vector<std::string>{"ann"});
}

TEST(Channels, TheChannelListInBothViews) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    server.AddChannelMembers("#Zebra", {{"z1", 1, 1}, {"z2", 2, 2}});
    server.AddChannelMembers("#apple", {{"a1", 1, 1}});
    ChatUser ann(server, "ann", 8);
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(ann.JoinAndWait("#middle", "#middle"));

    chat::ChannelList& list = ann.channels().list;
    list.Open();
    ASSERT_TRUE(test::RunUntil([&] { return list.IsOpen() && list.Rows().size() == 3; }));
    EXPECT_TRUE(list.RootView());
    auto names = [&] {
        std::vector<std::string> n;
        for (const auto& r : list.Rows()) n.push_back(r.name + ":" + std::to_string(r.users));
        return n;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"#apple:1", "#middle:1", "#Zebra:2"}));

    list.ToggleView();
    EXPECT_TRUE(list.ShowsPlaceholder());
    ASSERT_TRUE(test::RunUntil([&] { return list.Rows().size() == 3; }));
    EXPECT_FALSE(list.RootView());
    EXPECT_EQ(list.Rows()[0].topic, "Welcome to #apple!");

    // The user count column: ascending, then descending.
    list.HeaderClicked(1);
    EXPECT_EQ(names().back(), "#Zebra:2");
    list.HeaderClicked(1);
    EXPECT_EQ(names().front(), "#Zebra:2");

    // Joining the joined channel only shows its window; joining another sends 400 and closes.
    const std::size_t before = server.FramesFrom("ann").size();
    int middle = static_cast<int>(std::find_if(list.Rows().begin(), list.Rows().end(), [](auto& r) { return r.name == "#middle"; }) -
                                  list.Rows().begin());
    int apple = static_cast<int>(std::find_if(list.Rows().begin(), list.Rows().end(), [](auto& r) { return r.name == "#apple"; }) -
                                 list.Rows().begin());
    list.Join({middle, apple});
    EXPECT_FALSE(list.IsOpen());
    ASSERT_TRUE(test::RunUntil([&] { return ann.Window("#apple") != nullptr; }));
    auto frames = server.FramesFrom("ann");
    std::vector<std::string> joins;
    for (std::size_t i = before; i < frames.size(); ++i) {
        if (frames[i].type == 400) joins.push_back(frames[i].payload);
    }
    EXPECT_EQ(joins, std::vector<std::string>{"#apple"});
    EXPECT_EQ(server.ChannelMembers("#apple"), (std::vector<std::string>{"a1", "ann"}));

    // Create: a blank name is refused and the window stays.
    list.Open();
    ASSERT_TRUE(test::RunUntil([&] { return list.IsOpen(); }));
    EXPECT_FALSE(list.Create("   "));
    EXPECT_TRUE(list.IsOpen());
    EXPECT_EQ(ann.ui.Texts("alert").back(), "Must specify a channel name to join!");
    EXPECT_TRUE(list.Create("  brand new "));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Window("#brand new") || ann.Window("#brand"); }));
}

TEST(Channels, InvitationsAcceptedAndDeclined) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    ChatUser ann(server, "ann", 8), bob(server, "bob", 8), cat(server, "cat", 8);
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    ASSERT_TRUE(cat.GoOnline(server));
    ASSERT_TRUE(ann.JoinAndWait("#party", "#party"));

    bob.ui.invitationAnswers.push_back(UiPort::InvitationChoice::Accept);
    ann.ui.textAnswers.push_back("bob");
    chat::InviteToChannel(ann.channels());
    EXPECT_TRUE(ann.Shows("#party", "* Inviting user bob to channel '#party'."));
    ASSERT_TRUE(test::RunUntil([&] { return bob.Window("#party") != nullptr; }));
    auto bobFrames = server.FramesFrom("bob");
    EXPECT_TRUE(std::any_of(bobFrames.begin(), bobFrames.end(), [](auto& f) { return f.type == 431 && f.payload == "ann #party"; }));

    // Declined: 432 carries the invitation exactly as it came; no window.
    cat.ui.invitationAnswers.push_back(UiPort::InvitationChoice::Decline);
    ann.ui.textAnswers.push_back("cat");
    chat::InviteToChannel(ann.channels());
    std::vector<devserver::Frame> catFrames;
    auto declined = catFrames.end();
    ASSERT_TRUE(test::RunUntil([&] {
        catFrames = server.FramesFrom("cat");
        declined = std::find_if(catFrames.begin(), catFrames.end(), [](auto& f) { return f.type == 432; });
        return declined != catFrames.end();
    }));
    EXPECT_EQ(declined->payload, "ann #party \"Welcome to #party!\"");
    EXPECT_EQ(cat.Window("#party"), nullptr);

    // An invitation to a channel already joined asks nothing: an emote sent after it is seen
    // by then, on the same connection.
    const std::size_t asked = bob.ui.Texts("invitation").size();
    ann.ui.textAnswers.push_back("bob");
    chat::InviteToChannel(ann.channels());
    ann.Type("#party", "/me waits");
    EXPECT_TRUE(bob.Shows("#party", "* ann waits"));
    EXPECT_EQ(bob.ui.Texts("invitation").size(), asked);
}
