#include "chat/chat_commands.h"

#include <gtest/gtest.h>

#include "base/runtime.h"
#include "chat/channels.h"
#include "support/chat_fixture.h"

using namespace tandril;
using namespace tandril::chat;
using tandril::test::ChatFixture;

namespace {

struct Row {
    const char* typed;
    int type;             // -1: nothing sent
    const char* payload;  // the frame's payload, or the system line shown in the typing window
};

}  // namespace

// Every row of the command table: what a line with enough words sends, and what one with too few
// shows instead (sending nothing).
TEST(ChatCommands, EveryCommandSendsItsPayloadOrShowsItsSyntax) {
    const Row sends[] = {
        {"/msg bob hello there", 205, "bob hello there"},
        {"/TELL bob  two   words ", 205, "bob two   words"},
        {"/topic #room the new topic", 410, "#room the new topic"},
        {"/finger bob", 603, "bob"},
        {"/whois", 603, "me"},
        {"/setuserlevel bob elite", 606, "bob elite"},
        {"/setlinespeed bob 7", 625, "bob 7"},
        {"/setconnection bob 8", 625, "bob 8"},
        {"/motd", 621, ""},
        {"/join #other", 400, "#other"},
        {"//join test", 400, "test"},
        {"/announce hello all", 628, "hello all"},
        {"/opsay hello ops", 627, "hello ops"},
        {"/kill bob", 610, "bob"},
        {"/kill bob    flooding  ", 610, "bob \"flooding\""},
        {"/kick #room bob", 829, "#room bob \"\""},
        {"/kick \"#room\" bob go away", 829, "#room bob \"go away\""},
        {"/kick #a-channel-name-longer-than-23 a-user-longer-than-18 x", 829, "#a-channel-name-longer- a-user-longer-than \"x\""},
        {"/cban #room bob spam", 422, "#room bob \"spam\""},
        {"/chanban #room bob", 422, "#room bob \"\""},
        {"/channelunban #room bob", 423, "#room bob \"\""},
        {"/cbanclear #room", 424, "#room"},
        {"/unnuke bob", 624, "bob"},
        {"/conf a=b", 810, "a=b"},
        {"/reloadconfig max", 800, "max"},
        {"/serverversion", 801, ""},
        {"/clearchannel #room", 820, "#room"},
        {"/me waves", 824, "#room \"waves\""},
        {"/nuke 1.2.3.4 abuse", 612, "1.2.3.4 \"abuse\""},
        {"/setdataport bob 6699", 613, "bob 6699"},
        {"/unban bob", 614, "bob"},
        {"/banlist", 615, ""},
        {"/setpassword bob secret", 753, "bob secret"},
        {"/setpassword bob secret \"forgot it\"", 753, "bob secret \"forgot it\""},
        {"/cloak", 652, ""},
        {"/muzzle bob", 622, "bob"},
        {"/unmuzzle bob   sorry ", 623, "bob \"sorry\""},
        {"/ping bob", 751, "bob"},
    };
    for (const Row& row : sends) {
        ChatFixture f;
        f.Connect();
        ChannelWindow& room = f.windows.Create("#room");
        RunChatLine(f.channels, room, row.typed);
        ASSERT_EQ(f.sent.frames.size(), 1u) << row.typed;
        EXPECT_EQ(f.sent.frames[0].first, row.type) << row.typed;
        EXPECT_EQ(f.sent.frames[0].second, row.payload) << row.typed;
    }

    const Row refuses[] = {
        {"/msg bob", -1, "* Proper syntax: /msg <User> <Message>"},
        {"/TeLl bob", -1, "* Proper syntax: /TeLl <User> <Message>"},
        {"/topic #room", -1, "* Proper syntax: /topic <Channel> <Topic>"},
        {"/setuserlevel bob", -1, "* Proper syntax: /setuserlevel <user> <new level>"},
        {"/setlinespeed bob", -1, "* Proper syntax: /setlinespeed <user> <new line speed>"},
        {"/setconnection bob", -1, "* Proper syntax: /setconnection <user> <new connection type>"},
        {"/join   ", -1, "* Proper syntax: /join <channel>"},
        {"/announce", -1, "* Proper syntax: /announce <message to all users>"},
        {"/opsay", -1, "* Proper syntax: /opsay <message to all ops>"},
        {"/kill", -1, "* Proper syntax: /kill <jerk> [reason]"},
        {"/kick #room", -1, "* Proper syntax: /kick <channel> <user> [reason]"},
        {"/channelban #room", -1, "* Proper syntax: /cban <channel> <user> [reason]"},
        {"/cunban x", -1, "* Proper syntax: /cunban <channel> <user> [reason]"},
        {"/cbanlist", -1, "* Proper syntax: /cbanlist <channel>"},
        {"/cbanclear", -1, "* Proper syntax: /cbanclear <channel>"},
        {"/unnuke", -1, "* Proper syntax: /unnuke <nuked user>"},
        {"/setconfig", -1, "* Proper syntax (Elite only): /setconfig <config string>"},
        {"/reloadconfig", -1, "* Proper syntax (Elite only): /reloadconfig <config variable>"},
        {"/ClearChan", -1, "* Proper syntax (Elite only): /ClearChan <channel>"},
        {"/i", -1, "* Proper syntax (Elite only): /i <message>"},
        {"/ban", -1, "* Proper syntax: /ban <user|address> [reason]"},
        {"/setdataport bob", -1, "* Proper syntax: /setdataport <user> <new port>"},
        {"/unban", -1, "* Proper syntax: /unban <user|address>"},
        {"/setpassword bob", -1, "* Proper syntax: /setpassword <user> <password> [reason]"},
        {"/muzzle", -1, "* Proper syntax: /muzzle <user> [reason]"},
        {"/unmuzzle", -1, "* Proper syntax: /unmuzzle <muzzled user>"},
        {"/ping", -1, "* Proper syntax: /ping <user>"},
        {"/frobnicate now", -1, "* Unknown Command 'frobnicate'!"},
    };
    for (const Row& row : refuses) {
        ChatFixture f;
        f.Connect();
        ChannelWindow& room = f.windows.Create("#room");
        RunChatLine(f.channels, room, row.typed);
        EXPECT_TRUE(f.sent.frames.empty()) << row.typed;
        EXPECT_EQ(f.LastLine(room), row.payload) << row.typed;
    }
}

// Local commands and the echo rules: what is shown where, and what is not sent.
TEST(ChatCommands, LocalCommandsAndEchoes) {
    ChatFixture f;
    f.Connect();
    ChannelWindow& room = f.windows.Create("#room");
    ChannelWindow& personal = f.windows.Personal();

    // A plain line goes to the server only: the server sends it back to every member.
    RunChatLine(f.channels, room, "  hello  ");
    ASSERT_EQ(f.sent.frames.size(), 1u);
    EXPECT_EQ(f.sent.frames[0], std::make_pair(402, std::string("#room hello")));
    EXPECT_EQ(f.LastLine(room), "");
    RunChatLine(f.channels, room, "    ");
    EXPECT_EQ(f.sent.frames.size(), 1u);

    // /tell: in "Private", and in the typing window when that is not "Private".
    RunChatLine(f.channels, room, "/tell bob hi you");
    EXPECT_EQ(f.LastLine(personal), "* You tell bob: hi you");
    EXPECT_EQ(f.LastLine(room), "* You tell bob: hi you");

    // /join of a joined channel shows its window and sends nothing.
    f.windows.Activate(personal);
    f.sent.frames.clear();
    RunChatLine(f.channels, personal, "/JOIN #room");
    EXPECT_TRUE(f.sent.frames.empty());
    EXPECT_EQ(&f.windows.Current(), &room);

    // /me from "Private" is refused there.
    f.windows.Activate(personal);
    RunChatLine(f.channels, personal, "/me waves");
    EXPECT_TRUE(f.sent.frames.empty());
    EXPECT_EQ(f.LastLine(personal), "* This command will only work from a channel window!");

    // /part without arguments: the syntax in "Private", leaving elsewhere.
    RunChatLine(f.channels, personal, "/part");
    EXPECT_EQ(f.LastLine(personal), "* Proper syntax: /part <channel>");
    RunChatLine(f.channels, personal, "/leave #nowhere");
    EXPECT_EQ(f.LastLine(personal), "* You are not in '#nowhere'!");
    RunChatLine(f.channels, room, "/part");
    EXPECT_EQ(f.sent.frames, (std::vector<std::pair<int, std::string>>{{401, "#room"}}));
    EXPECT_EQ(f.windows.Find("#room"), nullptr);
    EXPECT_FALSE(f.windows.HasChannels());

    // Plain lines in "Private" say how to get somewhere, by connection state.
    RunChatLine(f.channels, personal, "anyone?");
    EXPECT_EQ(f.LastLine(personal), "* Use the 'Chat Rooms' button in the bottom right to join a channel!");
    f.rt.state.connected = false;
    RunChatLine(f.channels, personal, "anyone?");
    EXPECT_EQ(f.LastLine(personal), "* Use File->Connect to connect to the Tandril server!");

    // /cbanlist needs a connection; /clear empties the typing window.
    RunChatLine(f.channels, personal, "/cbanlist #room");
    EXPECT_EQ(f.LastLine(personal), "* You must be connected to get a channel ban list!");
    f.rt.state.connected = true;
    RunChatLine(f.channels, personal, "/chanbanlist #room");
    EXPECT_EQ(f.LastLine(personal), "* Getting channel ban list!");
    EXPECT_EQ(f.sent.frames.back(), std::make_pair(420, std::string("#room")));
    RunChatLine(f.channels, personal, "/cls");
    EXPECT_TRUE(personal.chatView.Lines().empty());
}

// /query is offered only with instant messages on and the part that shows them; otherwise an
// alert, whatever the words.
TEST(ChatCommands, QueryNeedsInstantMessaging) {
    ChatFixture f;
    f.Connect();
    RunChatLine(f.channels, f.windows.Personal(), "/query");
    EXPECT_EQ(f.ui.Texts("alert"), std::vector<std::string>{"/query is available only in the 'instant messaging' mode."});

    std::vector<std::string> opened;
    f.channels.openInstantMessage = [&](const std::string& user) { opened.push_back(user); };
    f.rt.state.EditSettings()->instantMessaging = true;
    RunChatLine(f.channels, f.windows.Personal(), "/query");
    EXPECT_EQ(f.LastLine(f.windows.Personal()), "* Proper syntax: /query <user>");
    RunChatLine(f.channels, f.windows.Personal(), "/QUERY a-very-long-user-name-indeed more");
    EXPECT_EQ(opened, std::vector<std::string>{"a-very-long-user-na"});
    EXPECT_TRUE(f.sent.frames.empty());
}

TEST(ChatCommands, WordsAndCounts) {
    struct Case {
        const char* line;
        const char* word;
        const char* arguments;
        int count;
    } cases[] = {
        {"/join", "join", "", 0},
        {"///Join   #room  ", "Join", "#room", 1},
        {"/kick  a   b c ", "kick", "a   b c", 3},
        {"/", "", "", 0},
    };
    for (const Case& c : cases) {
        CommandWords w = SplitCommand(c.line);
        EXPECT_EQ(w.word, c.word) << c.line;
        EXPECT_EQ(w.arguments, c.arguments) << c.line;
        EXPECT_EQ(w.count, c.count) << c.line;
    }
}

// The servers answer a ping with a server's name: the time taken is counted from when the ping
// was sent, on this client's clock, never from the answer's payload.
TEST(ChatCommands, ServerPingTimesFromWhenItWasSent) {
    ChatFixture f;
    f.Connect();
    ChannelWindow& room = f.windows.Create("#room");
    auto clock = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    f.channels.now = [&] { return clock; };
    RunChatLine(f.channels, room, "/sping");
    ASSERT_EQ(f.sent.frames.size(), 1u);
    EXPECT_EQ(f.sent.frames[0].first, 750);
    EXPECT_NE(f.LastLine(room).find("] Ping sent to server..."), std::string::npos);
    EXPECT_NE(f.LastLine(f.windows.Personal()).find("] Ping sent to server..."), std::string::npos);

    clock += std::chrono::seconds(7);
    f.channels.OnServerPong("127.0.0.1 ");
    EXPECT_NE(f.LastLine(room).find("] Received pong from server: 7 seconds!"), std::string::npos) << f.LastLine(room);
    EXPECT_NE(f.LastLine(f.windows.Personal()).find("] Received pong from server: 7 seconds!"), std::string::npos);
    // An answer nobody asked for says so without a time.
    f.channels.OnServerPong("1");
    EXPECT_NE(f.LastLine(room).find("] Received pong from server."), std::string::npos) << f.LastLine(room);
}
