// Users' information on devserver: an online user (the short answer, and the long one a moderator
// gets), an offline user followed by the server's line, an unknown user, and the user menus.

#include "chat/user_info.h"

#include <gtest/gtest.h>

#include "base/app_state.h"
#include "base/line_speed.h"
#include "base/text.h"
#include "chat/chat_commands.h"
#include "session/server_disconnect.h"
#include "session/user_actions.h"
#include "session/user_requests.h"
#include "support/network_user.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

struct Asker : test::NetworkUser {
    Asker(devserver::DevServer& server, const std::string& name, int lineSpeed = 8) : NetworkUser(server, name, lineSpeed) {}

    const std::deque<std::unique_ptr<chat::UserInfoWindow>>& Windows() { return client->userInfo.Windows(); }
    bool Ask(const std::string& user) {
        const std::size_t before = Windows().size();
        session::RequestUserInfo(client->session, user);
        return test::RunUntil([&] { return Windows().size() > before; });
    }
    std::map<std::string, std::string> Facts(const chat::UserInfoWindow& w) {
        std::map<std::string, std::string> facts;
        for (const auto& [label, value] : w.lines) {
            std::string key = label;
            while (!key.empty() && (key.back() == '\t' || key.back() == ' ')) key.pop_back();
            facts[key] = value;
        }
        return facts;
    }
    std::vector<std::string> Shown(const chat::UserInfoWindow& w) {
        std::vector<std::string> lines;
        for (const auto& line : w.view.Lines()) lines.push_back(line.plain.trimmed().toStdString());
        return lines;
    }
    std::vector<std::string> PersonalLines() {
        std::vector<std::string> lines;
        for (const auto& line : client->chat.Personal().chatView.Lines()) lines.push_back(line.plain.trimmed().toStdString());
        return lines;
    }
};

}  // namespace

TEST(UserInfo, AnOnlineUserWithEveryField) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Asker ann(server, "ann"), bob(server, "bob", 10);
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    chat::RunChatLine(bob.client->channels, bob.client->chat.Current(), "/join test");
    ASSERT_TRUE(test::RunUntil([&] { return !server.ChannelMembers("#test").empty(); }));

    ASSERT_TRUE(ann.Ask("bob"));
    const chat::UserInfoWindow& w = *ann.Windows().back();
    EXPECT_EQ(w.title, "bob's Finger Information");
    auto facts = ann.Facts(w);
    EXPECT_EQ(facts.size(), 10u) << "the short answer: no address, no data port";
    EXPECT_EQ(facts["Status:"], "ONLINE");
    EXPECT_EQ(facts["User:"], "bob");
    EXPECT_EQ(facts["Client  Version:"], CutText(kVersionText, 19));
    EXPECT_EQ(facts["User Level:"], "User");
    EXPECT_EQ(facts["Connection:"], LineSpeedName(10));
    EXPECT_EQ(facts["Channels:"], "#test");
    EXPECT_EQ(facts["Ability:"], "Active");
    EXPECT_EQ(facts["Number Shared:"], "0");
    EXPECT_EQ(facts["Current Transfers:"], "0 Inbound Transfers, 0 Outbound Transfers");
    EXPECT_EQ(facts["Time Connected:"].size(), 5u);
    EXPECT_EQ(facts.count("Address:"), 0u);
    EXPECT_EQ(ann.Shown(w).front(), "Status:\t\t ONLINE");

    // A moderator asking gets the long answer: address and data port between version and level.
    server.SetUserLevel("ann", "Moderator");
    ASSERT_TRUE(ann.Ask("bob"));
    const chat::UserInfoWindow& wide = *ann.Windows().back();
    ASSERT_EQ(wide.lines.size(), 12u);
    EXPECT_EQ(wide.lines[4].first, "Address:\t\t");
    EXPECT_TRUE(wide.lines[4].second.starts_with("127.0.0.1:")) << wide.lines[4].second;
    EXPECT_EQ(wide.lines[5], (chat::UserInfoLine{"Data Port:\t", "0"}));
    EXPECT_EQ(wide.lines[6].first, "User Level:\t");
    EXPECT_EQ(ann.Windows().size(), 2u) << "each answer its own window";
}

TEST(UserInfo, AnOfflineUserThenTheServersLine) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Asker ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    session::ServerDisconnect(bob.client->session, false);
    ASSERT_TRUE(server.WaitOffline("bob", 5s));

    ASSERT_TRUE(ann.Ask("bob"));
    const chat::UserInfoWindow& w = *ann.Windows().back();
    EXPECT_EQ(w.title, chat::kUserInfoCaption);
    auto facts = ann.Facts(w);
    EXPECT_EQ(facts["Status"], "OFFLINE");
    EXPECT_EQ(facts["User"], "bob");
    EXPECT_EQ(facts["User Level"], "User");
    EXPECT_FALSE(facts["Last Online"].empty());
    EXPECT_EQ(facts.size(), 4u);
    ASSERT_TRUE(test::RunUntil([&] {
        auto lines = ann.PersonalLines();
        return std::find(lines.begin(), lines.end(), "* User is not currently online.") != lines.end();
    }));

    // The long offline answer for a moderator: the last address and data port.
    server.SetUserLevel("ann", "Moderator");
    ASSERT_TRUE(ann.Ask("bob"));
    facts = ann.Facts(*ann.Windows().back());
    EXPECT_EQ(facts["User"], "bob ()");
    EXPECT_TRUE(facts["Last Address"].starts_with("127.0.0.1:")) << facts["Last Address"];
    EXPECT_EQ(facts["Last Data Port"], "0");
}

TEST(UserInfo, AnUnknownUserOpensNoWindow) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Asker ann(server, "ann");
    ASSERT_TRUE(ann.GoOnline(server));
    session::RequestUserInfo(ann.client->session, "nobody_here");
    ASSERT_TRUE(test::RunUntil([&] {
        auto lines = ann.PersonalLines();
        return std::find(lines.begin(), lines.end(), "* User is not currently online.") != lines.end();
    }));
    ASSERT_TRUE(ann.Ask("ann"));
    EXPECT_EQ(ann.Windows().size(), 1u);
    EXPECT_EQ(ann.Windows().back()->title, "ann's Finger Information");
}

TEST(UserInfo, TheChannelMenusOfferItWithTheHotList) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Asker ann(server, "ann"), bob(server, "bob");
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(bob.GoOnline(server));
    using session::UserAction;
    EXPECT_TRUE(session::UserActionAvailable(ann.client->session, UserAction::UserInformation));
    EXPECT_TRUE(session::UserActionAvailable(ann.client->session, UserAction::AddToHotList));
    session::RunUserAction(ann.client->session, UserAction::UserInformation, "bob");
    ASSERT_TRUE(test::RunUntil([&] { return !ann.Windows().empty(); }));
    EXPECT_EQ(ann.Windows().back()->title, "bob's Finger Information");
    session::RunUserAction(ann.client->session, UserAction::AddToHotList, "bob");
    ASSERT_TRUE(test::RunUntil([&] { return ann.client->hotList.IsOnline("bob"); }));
}
