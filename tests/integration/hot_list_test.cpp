// The hot list between clients on devserver: users seen signing on and off, an unknown user who
// simply stays offline, the list kept in notify.dat across a restart and registered again after
// every login, removal after the question, the server's refusal, and hostile frames.

#include "chat/hot_list.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/atomic_file.h"
#include "protocol/framing.h"
#include "session/hot_list.h"
#include "session/server_disconnect.h"
#include "session/user_requests.h"
#include "support/network_user.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

using Names = std::vector<std::string>;

struct Friend : test::NetworkUser {
    Friend(devserver::DevServer& server, const std::string& name, int lineSpeed = 8) : NetworkUser(server, name, lineSpeed) {}

    chat::HotList& list() { return client->hotList; }
    Names Online() {
        Names names;
        for (const auto& row : list().OnlineRows()) names.push_back(row.name);
        return names;
    }
    Names Offline() {
        Names names;
        for (const auto& row : list().OfflineRows()) names.push_back(row.name);
        return names;
    }
    std::string File() { return platform::ReadWholeFile(profile.path() / chat::kHotListFile).value_or("<missing>"); }
    int Sent(devserver::DevServer& server, protocol::MessageType type, const std::string& payload) {
        int n = 0;
        for (const auto& f : server.FramesFrom(name)) n += f.type == static_cast<int>(type) && f.payload == payload;
        return n;
    }
    // Everything the server sent before now has been handled: its answer to a question asked now
    // comes after it.
    bool Settle() {
        auto answers = [&] {
            return std::count_if(client->userInfo.Windows().begin(), client->userInfo.Windows().end(),
                                 [&](const auto& w) { return w->title == name + "'s Finger Information"; });
        };
        const auto before = answers();
        session::RequestUserInfo(client->session, name);
        return test::RunUntil([&] { return answers() > before; });
    }
    // The same profile, a new run of the program.
    void Restart(devserver::DevServer& server) {
        client.reset();
        ClientOptions options{profile.path()};
        options.endpoints.primaryRedirector = options.endpoints.fallbackRedirector = "127.0.0.1";
        options.endpoints.redirectorPort = server.RedirectorPort();
        options.timeScale = 0.001;
        client = std::make_unique<Client>(ui, options);
        ui.Watch(*client);
    }
};

}  // namespace

TEST(HotList, AFriendSeenSigningOnAndOff) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Friend ann(server, "ann"), bob(server, "bob", 2);
    ASSERT_TRUE(ann.GoOnline(server));

    // bob has never been seen: 301 all the same, and he is listed offline.
    ASSERT_TRUE(session::AddHotListUser(ann.client->session, "bob"));
    ASSERT_TRUE(test::RunUntil([&] { return ann.list().Contains("bob"); }));
    EXPECT_EQ(ann.Offline(), Names{"bob"});
    EXPECT_EQ(ann.File(), "bob\n");
    EXPECT_TRUE(session::IsOnHotList(ann.client->session, "BOB"));

    ASSERT_TRUE(bob.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Online() == Names{"bob"}; }));
    EXPECT_TRUE(ann.Offline().empty());
    EXPECT_EQ(ann.list().OnlineRows()[0].image, 2) << "bob's line speed 2 is the slow class";

    session::ServerDisconnect(bob.client->session, false);
    ASSERT_TRUE(test::RunUntil([&] { return ann.Offline() == Names{"bob"}; }));
    EXPECT_TRUE(ann.Online().empty());
    EXPECT_EQ(ann.File(), "bob\n");
}

TEST(HotList, AnUnknownUserSimplyStaysOffline) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Friend ann(server, "ann");
    ASSERT_TRUE(ann.GoOnline(server));
    session::AddToHotList(ann.client->session, "nobody_here");
    ASSERT_TRUE(test::RunUntil([&] { return ann.list().Contains("nobody_here"); }));
    ASSERT_TRUE(ann.Settle());
    EXPECT_EQ(ann.Offline(), Names{"nobody_here"});
    EXPECT_TRUE(ann.Online().empty());
    EXPECT_TRUE(ann.ui.Texts("alert-modeless").empty());
}

TEST(HotList, KeptAcrossARestartAndRegisteredAfterEveryLogin) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Friend ann(server, "ann"), bob(server, "bob"), cid(server, "cid");
    ASSERT_TRUE(bob.GoOnline(server));
    ASSERT_TRUE(ann.GoOnline(server));
    for (const char* user : {"cid", "bob"}) session::AddHotListUser(ann.client->session, user);
    ASSERT_TRUE(test::RunUntil([&] { return ann.Online() == Names{"bob"} && ann.Offline() == Names{"cid"}; }));

    // A new run of the program reads notify.dat and registers both after its login.
    ann.Restart(server);
    EXPECT_TRUE(server.WaitOffline("ann", 5s));
    ASSERT_TRUE(ann.GoOnline(server));
    EXPECT_EQ(ann.list().Names(), (Names{"cid", "bob"}));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Online() == Names{"bob"}; }));
    EXPECT_EQ(ann.Sent(server, protocol::MessageType::HotListRegister, "bob"), 1);
    EXPECT_EQ(ann.Sent(server, protocol::MessageType::HotListRegister, "cid"), 1);
    EXPECT_EQ(server.HotListOf("ann"), (Names{"cid", "bob"}));

    // The server drops ann: everyone shows offline, and the reconnection registers the list again.
    ASSERT_TRUE(server.Disconnect("ann"));
    ASSERT_TRUE(test::RunUntil([&] { return !ann.client->state.connected; }));
    EXPECT_TRUE(ann.Online().empty());
    EXPECT_EQ(ann.Offline(), (Names{"cid", "bob"}));
    ASSERT_TRUE(test::RunUntil([&] { return ann.client->state.connected && ann.Online() == Names{"bob"}; }));
    EXPECT_EQ(ann.Sent(server, protocol::MessageType::HotListRegister, "bob"), 2);

    // cid signs on after ann's list was registered again.
    ASSERT_TRUE(cid.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Online() == (Names{"bob", "cid"}); }));
}

TEST(HotList, RemovalAsksThenKeepsTheOthersInOrder) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Friend ann(server, "ann"), bob(server, "bob");
    ann.profile.Write(chat::kHotListFile, "cid\nbob\ndee\neve\n");
    ASSERT_TRUE(bob.GoOnline(server));
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return ann.Online() == Names{"bob"}; }));

    ann.list().SetUserField("bob");  // the browser shows bob
    int cleared = 0;
    QObject::connect(&ann.list(), &chat::HotList::browserCleared, [&] { ++cleared; });
    ann.ui.Script({Answer::No, Answer::Yes, Answer::Yes});
    session::RemoveHotListUsers(ann.client->session, {"cid", "bob", "eve"});
    auto questions = ann.ui.Events();
    std::vector<std::string> asked;
    for (const auto& e : questions) {
        if (e.kind == "question") asked.push_back(e.caption + ": " + e.text);
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"Remove User: Are you sure you want to remove cid from your Hot List?",
                                               "Remove User: Are you sure you want to remove bob from your Hot List?",
                                               "Remove User: Are you sure you want to remove eve from your Hot List?"}));
    EXPECT_EQ(ann.list().Names(), (Names{"cid", "dee"}));
    EXPECT_EQ(ann.File(), "cid\ndee\n");
    EXPECT_TRUE(ann.Online().empty());
    EXPECT_EQ(ann.Offline(), (Names{"cid", "dee"}));
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(ann.list().UserField(), "");
    ASSERT_TRUE(test::RunUntil([&] { return server.HotListOf("ann") == Names{"cid", "dee"}; }));
    EXPECT_EQ(ann.Sent(server, protocol::MessageType::HotListRemove, "cid"), 0);

    // bob comes and goes: nobody tells ann any more.
    session::ServerDisconnect(bob.client->session, false);
    ASSERT_TRUE(server.WaitOffline("bob", 5s));
    ASSERT_TRUE(ann.Settle());
    EXPECT_EQ(ann.Offline(), (Names{"cid", "dee"}));
}

TEST(HotList, WithoutAConnectionNothingIsSent) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Friend ann(server, "ann");
    EXPECT_FALSE(session::AddHotListUser(ann.client->session, "bob"));
    EXPECT_FALSE(ann.list().Contains("bob"));
}

TEST(HotList, RefusalAndHostileFramesChangeNothing) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    Friend ann(server, "ann");
    ann.profile.Write(chat::kHotListFile, "bob\n");
    ASSERT_TRUE(ann.GoOnline(server));

    // A server that refuses a name (302): the user is told, nothing is stored.
    ASSERT_TRUE(server.SendTo("ann", 302, "zed"));
    ASSERT_TRUE(test::RunUntil([&] { return !ann.ui.Texts("alert-modeless").empty(); }));
    EXPECT_EQ(ann.ui.Texts("alert-modeless"), std::vector<std::string>{"User with name zed does not exist!"});

    const std::string overlong(2000, 'q');
    const std::string binary("\x01\x02\xff\x00 \x7f \"", 8);
    for (int type : {209, 210, 301, 302, 604, 605}) {
        for (const std::string& payload : {std::string(), std::string("   "), binary, std::string("\"bob 7")}) {
            ASSERT_TRUE(server.SendTo("ann", type, payload)) << type;
        }
    }
    ASSERT_TRUE(server.SendTo("ann", 209, overlong + " 7"));
    ASSERT_TRUE(server.SendTo("ann", 210, overlong));
    ASSERT_TRUE(ann.Settle());
    EXPECT_TRUE(ann.client->state.connected);
    EXPECT_EQ(ann.list().Names(), Names{"bob"});
    EXPECT_EQ(ann.File(), "bob\n");
    EXPECT_TRUE(ann.Online().empty());
    EXPECT_EQ(ann.Offline(), Names{"bob"});
}
