// The session with the index server once online: what each server message does, reconnection,
// login failures and the servers that refuse 920.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <ctime>

#include "base/text.h"
#include "platform/socket.h"
#include "session/account_changes.h"
#include "session/reconnect.h"
#include "session/server_disconnect.h"
#include "support/session.h"
#include "transfer/data_port.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::Session;

namespace {

bool SentFrame(const devserver::DevServer& server, const std::string& user, int type, const std::string& payload) {
    for (const auto& f : server.FramesFrom(user)) {
        if (f.type == type && f.payload == payload) return true;
    }
    return false;
}

// The lines since `from`, each with the window it went to.
std::vector<std::pair<std::string, std::string>> LinesSince(const test::ScriptedUi& ui, std::size_t from) {
    std::vector<std::pair<std::string, std::string>> lines;
    auto events = ui.Events();
    for (std::size_t i = from; i < events.size(); ++i) {
        if (events[i].kind == "line") lines.emplace_back(events[i].caption, events[i].text);
    }
    return lines;
}

std::string TimeNow() {
    std::string t = CTimeText(std::time(nullptr));
    t.pop_back();
    return t;
}

}  // namespace

TEST(Dispatcher, EachRowWritesItsTextWhereItBelongs) {
    Session s;
    ASSERT_TRUE(s.GoOnline("ann"));
    struct Case {
        int type;
        std::string payload;
        std::string kind;  // the event it makes
        std::string text;
    };
    const Case cases[] = {
        {0, "You are muted", "alert-modeless", "You are muted"},
        {1, "Server going down soon", "alert", "Server going down soon"},
        {404, "Hello from the server", "line", "* Hello from the server"},
        {621, "Welcome to the network", "line", "* Welcome to the network"},
        {752, "  kim  ", "line", "* [{time}] Pong from kim!"},
        {750, "", "line", "* [{time}] Received pong from server."},
        {214, "1234567 89 1234", "status1", "Currently 1,234,567 users sharing 89 files (1,234 gigs)"},
        {214, "5 6", "status1", "Currently 5 users sharing 6 files (0 gigs)"},
    };
    for (const Case& c : cases) {
        std::size_t before = s.ui.Events().size();
        ASSERT_TRUE(s.server.SendTo("ann", c.type, c.payload));
        ASSERT_TRUE(RunUntil(
            [&] {
                auto events = s.ui.Events();
                for (std::size_t i = before; i < events.size(); ++i) {
                    if (events[i].kind == c.kind) return true;
                }
                return false;
            },
            5s))
            << c.type;
        auto events = s.ui.Events();
        auto it = std::find_if(events.begin() + static_cast<long>(before), events.end(), [&](auto& e) { return e.kind == c.kind; });
        // "{time}" stands for the local time in the C library's form, line end removed.
        if (auto at = c.text.find("{time}"); at != std::string::npos) {
            std::string text = it->text;
            ASSERT_GE(text.size(), c.text.size() - 6 + 24) << text;
            EXPECT_EQ(text.substr(0, at), c.text.substr(0, at)) << text;
            EXPECT_EQ(text.substr(at + 24), c.text.substr(at + 6)) << text;
            EXPECT_EQ(text.substr(at + 20, 4), TimeNow().substr(20, 4)) << text;  // this year
        } else {
            EXPECT_EQ(it->text, c.text) << c.type;
        }
        if (c.kind == "line") {
            EXPECT_EQ(it->caption, "Private") << c.type;
        }
    }
    // A 750 this client did not ask for: the servers' payload is no time to subtract (the time of
    // a /sping is counted from when it was sent, as the command tests show).
    std::size_t before = s.ui.Events().size();
    s.server.SendTo("ann", 750, std::to_string(std::time(nullptr) - 5));
    ASSERT_TRUE(RunUntil([&] { return !LinesSince(s.ui, before).empty(); }, 5s));
    std::string pong = LinesSince(s.ui, before)[0].second;
    EXPECT_TRUE(pong.ends_with("] Received pong from server.")) << pong;
    EXPECT_TRUE(s.client->state.connected);
}

// Statistics with anything but digits in their fields are a broken or hostile server's: the last
// good line stays.
TEST(Dispatcher, MalformedStatisticsAreDropped) {
    Session s;
    ASSERT_TRUE(s.GoOnline("ivy"));
    ASSERT_TRUE(s.server.SendTo("ivy", 214, "12 34 5"));
    ASSERT_TRUE(RunUntil([&] { return s.client->main.StatusText(1) == "Currently 12 users sharing 34 files (5 gigs)"; }, 5s));
    for (const char* broken : {"to,pic users text", "-5 10 2", "1 2 many"}) ASSERT_TRUE(s.server.SendTo("ivy", 214, broken));
    const std::size_t before = s.ui.Events().size();
    ASSERT_TRUE(s.server.SendTo("ivy", 404, "after the statistics"));  // frames are handled in order
    ASSERT_TRUE(RunUntil([&] { return !LinesSince(s.ui, before).empty(); }, 5s));
    EXPECT_EQ(s.client->main.StatusText(1), "Currently 12 users sharing 34 files (5 gigs)");
}

TEST(Dispatcher, AnswersPingsAndTakesImposedSettings) {
    Session s;
    ASSERT_TRUE(s.GoOnline("bea"));
    // The client handles frames on this thread's event loop: wait by running it.
    s.server.SendTo("bea", 751, "kim");
    EXPECT_TRUE(RunUntil([&] { return SentFrame(s.server, "bea", 752, "kim"); }, 5s));

    s.server.SendTo("bea", 613, "6700");
    EXPECT_TRUE(RunUntil([&] { return SentFrame(s.server, "bea", 703, "6700"); }, 5s));
    EXPECT_EQ(s.client->state.account().dataPort, 6700);
    s.server.SendTo("bea", 625, "  9 ");
    ASSERT_TRUE(RunUntil([&] { return s.client->state.account().lineSpeed == 9; }, 5s));
    ConfigStore saved(s.profile.path());
    auto user = saved.OpenKey("Software\\Tandril\\bea");
    ASSERT_TRUE(user);
    EXPECT_EQ(saved.GetValue(*user, "WaitPort"), "6700");
    EXPECT_EQ(saved.GetValue(*user, "LineSpeed"), "9");

    s.server.SendTo("bea", 613, "70000");
    ASSERT_TRUE(RunUntil([&] { return !s.ui.Texts("alert").empty(); }, 5s));
    EXPECT_EQ(s.ui.Texts("alert").back(), "Invalid data port chosen!");
    EXPECT_EQ(s.client->state.account().dataPort, 6700);

    // Both firewalled: the user says this computer is not.
    s.ui.notFirewalledAnswer = true;
    s.server.SendTo("bea", 1200, "carl");
    ASSERT_TRUE(RunUntil([&] { return s.client->state.account().dataPort == 6699; }, 5s));
    EXPECT_EQ(s.ui.Texts("both-firewalled"), std::vector<std::string>{"carl"});
    EXPECT_TRUE(RunUntil([&] { return SentFrame(s.server, "bea", 703, "6699"); }, 5s));

    // Payloads that lack their fields, unknown types and a stray login acceptance change nothing.
    std::size_t before = s.ui.Events().size();
    for (auto [type, payload] :
         std::vector<std::pair<int, std::string>>{{1200, ""}, {900, "127.0.0.1"}, {901, ""}, {613, ""}, {3, "x"}, {9999, "?"}}) {
        s.server.SendTo("bea", type, payload);
    }
    s.server.SendTo("bea", 404, "still here");
    ASSERT_TRUE(RunUntil([&] { return !LinesSince(s.ui, before).empty(); }, 5s));
    EXPECT_EQ(LinesSince(s.ui, before).size(), 1u);
    EXPECT_EQ(s.ui.Events().size(), before + 1);
    EXPECT_TRUE(s.client->state.connected);
}

TEST(Dispatcher, RunsTheConnectivityProbes) {
    Session s;
    ASSERT_TRUE(s.GoOnline("cid"));
    platform::Socket listener = platform::ListenTcp(0, true);
    s.server.SendTo("cid", 900, "127.0.0.1 " + std::to_string(platform::LocalPort(listener)) + " \"outbound ok\"");
    ASSERT_TRUE(RunUntil([&] { return platform::WaitReadable(listener.fd(), 0ms) == platform::WaitResult::Ready; }, 5s));
    platform::Socket in(::accept(listener.fd(), nullptr, nullptr));
    char buf[32] = {};
    ASSERT_EQ(platform::WaitReadable(in.fd(), 5s), platform::WaitResult::Ready);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(::recv(in.fd(), buf, sizeof buf, MSG_WAITALL))), "outbound ok");

    platform::Socket probe = platform::ListenTcp(0, true);
    std::uint16_t port = platform::LocalPort(probe);
    probe.reset();
    s.server.SendTo("cid", 901, std::to_string(port) + " 5000 inbound");
    platform::Socket out;
    bool connected = RunUntil(
        [&] {
            return platform::ConnectBlocking({0x7F000001, port}, 100ms, out) == platform::ConnectResult::Connected;
        },
        5s);
    ASSERT_TRUE(connected);
    ASSERT_EQ(platform::WaitReadable(out.fd(), 5s), platform::WaitResult::Ready);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(::recv(out.fd(), buf, sizeof buf, MSG_WAITALL))), "inbound");

    // A probe still waiting for its connection does not keep the client from ending.
    probe = platform::ListenTcp(0, true);
    port = platform::LocalPort(probe);
    probe.reset();
    s.server.SendTo("cid", 901, std::to_string(port) + " 100000 never");
    ASSERT_TRUE(RunUntil([&] { return !platform::ListenTcp(port, true); }, 5s)) << "the probe listens";
    auto start = std::chrono::steady_clock::now();
    s.client.reset();
    // A hang would never end; an idle machine ends in well under a second.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST(Dispatcher, InvalidPasswordEndsTheSessionSilentlyAndAsks) {
    Session s;
    ASSERT_TRUE(s.GoOnline("dan"));
    s.ui.invalidPasswordAnswer = {UiPort::Credentials::Cancel, "", ""};
    std::size_t before = s.ui.Events().size();
    s.server.SendTo("dan", 0, "Your Invalid PASSWORD, sorry");
    ASSERT_TRUE(RunUntil([&] { return s.exitCode.has_value(); }, 5s));
    EXPECT_FALSE(s.client->state.connected);
    EXPECT_TRUE(LinesSince(s.ui, before).empty());  // no notice
    EXPECT_EQ(s.ui.Texts("invalid-password"), std::vector<std::string>{"dan pw"});
}

TEST(Reconnect, ALostConnectionIsMadeAgainAfterTheDelay) {
    Session s({}, 0.0005);
    ASSERT_TRUE(s.GoOnline("eva"));
    int asked = s.server.RedirectorRequests();
    std::size_t before = s.ui.Events().size();
    s.server.Disconnect("eva");
    ASSERT_TRUE(RunUntil([&] { return !s.client->state.connected; }, 5s));
    ASSERT_TRUE(RunUntil([&] { return s.client->state.connected && LinesSince(s.ui, before).size() >= 2; }, 10s));
    EXPECT_EQ(s.server.RedirectorRequests(), asked + 1);
    auto lines = LinesSince(s.ui, before);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].second.starts_with("* Disconnected from server! (")) << lines[0].second;
    EXPECT_EQ(lines[1].second, "* Connecté au serveur!");
    EXPECT_EQ(s.ui.Texts("status0").back(), "Online (eva): Sharing 0 files.");
    EXPECT_TRUE(s.server.WaitFor("eva", -1, 5s));
}

TEST(Reconnect, NoReconnectionAfterTheServerSaidSameUserElsewhere) {
    Session s({}, 0.0001);  // reconnection would come within 0.12 seconds
    ASSERT_TRUE(s.GoOnline("fay"));
    int asked = s.server.RedirectorRequests();
    s.server.SendTo("fay", 748, "");
    ASSERT_TRUE(RunUntil([&] { return s.client->state.suppressReconnectOnce.load(); }, 5s));
    s.server.Disconnect("fay");
    ASSERT_TRUE(RunUntil([&] { return !s.client->state.connected; }, 5s));
    test::RunUntil([] { return false; }, 500ms);
    EXPECT_EQ(s.server.RedirectorRequests(), asked);
    EXPECT_FALSE(s.client->state.connected);
    EXPECT_FALSE(s.client->state.suppressReconnectOnce);  // used once
}

TEST(Reconnect, TheConnectCommandAndItsFailure) {
    Session s;
    ASSERT_TRUE(s.GoOnline("gil"));
    session::ServerDisconnect(s.client->session, true);  // "Déconnexion": no automatic reconnection
    EXPECT_FALSE(s.client->state.connected);
    std::size_t before = s.ui.Events().size();
    session::ConnectCommand(s.client->session);
    ASSERT_TRUE(RunUntil([&] { return s.client->state.connected && !s.client->dialog.IsOpen(); }, 10s));
    EXPECT_EQ(LinesSince(s.ui, before).back().second, "* Connecté au serveur!");
    session::ConnectCommand(s.client->session);
    ASSERT_TRUE(RunUntil([&] { return LinesSince(s.ui, before).size() == 2; }, 5s));
    EXPECT_EQ(LinesSince(s.ui, before).back().second, "* You are already connected!");

    session::ServerDisconnect(s.client->session, false);
    s.client->state.endpoints.redirectorPort = 1;
    before = s.ui.Events().size();
    session::ConnectCommand(s.client->session);
    ASSERT_TRUE(RunUntil([&] { return !LinesSince(s.ui, before).empty() && !s.client->dialog.IsOpen(); }, 10s));
    EXPECT_TRUE(LinesSince(s.ui, before)[0].second.starts_with("* Unable to reconnect to server! (")) << LinesSince(s.ui, before)[0].second;
    EXPECT_FALSE(s.client->state.connectInProgress);
}

TEST(Login, FailureTextsInteractiveAndNot) {
    {
        Session s;
        s.StoreAccount("hal", "pw");
        s.server.AnswerLogin("hal", 42, "what?");
        ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
        EXPECT_EQ(s.ui.Texts("alert"), std::vector<std::string>{"Login failed (Unexpected command: 42 [what?])"});
        EXPECT_EQ(s.ui.Texts("dialog").back(), "Impossible de se connecter !");
    }
    {
        Session s;
        ASSERT_TRUE(s.GoOnline("ida"));
        session::ServerDisconnect(s.client->session, false);
        s.server.RefuseLogin("ida", "Banned for a day");
        std::size_t before = s.ui.Events().size();
        session::ConnectCommand(s.client->session);  // not interactive: the refusal goes to the chat windows
        ASSERT_TRUE(RunUntil([&] { return LinesSince(s.ui, before).size() >= 2; }, 10s));
        EXPECT_EQ(LinesSince(s.ui, before)[0].second, "* Unable to login: Banned for a day");
        EXPECT_TRUE(LinesSince(s.ui, before)[1].second.starts_with("* Unable to reconnect to server! ("));
        EXPECT_TRUE(s.ui.Texts("alert").empty());
    }
    {
        Session s;
        s.StoreAccount("jon", "pw");
        s.server.AnswerLogin("jon", 901, "1 1 x");  // a probe as the answer counts as logged in
        ASSERT_TRUE(s.StartAndWaitForTheDialogToFinish());
        EXPECT_TRUE(s.client->state.connected);
    }
}

TEST(Login, ServersThatRefuse920BeforeALoginStillLogIn) {
    for (bool refuses : {false, true}) {
        devserver::DevServerOptions options;
        options.loginCommandsOnly = refuses;
        Session s(options);
        ASSERT_TRUE(s.GoOnline("kit")) << refuses;
        EXPECT_TRUE(s.ui.Texts("alert").empty());  // one ordinary login, no error
        EXPECT_EQ(s.server.RefusedBeforeLogin(), refuses ? 1 : 0);
        auto frames = s.server.FramesFrom("kit");
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.front().type, refuses ? 2 : 920);
        // The next login to the same server leaves 920 out from the start.
        session::ServerDisconnect(s.client->session, false);
        session::ConnectCommand(s.client->session);
        ASSERT_TRUE(RunUntil([&] { return s.client->state.connected && !s.client->dialog.IsOpen(); }, 10s));
        EXPECT_EQ(s.server.RefusedBeforeLogin(), refuses ? 1 : 0);
    }
}

TEST(Connect, ThePrimaryRedirectorDownMeansTheFallback) {
    Session s;
    s.client->state.endpoints.primaryRedirector = "127.0.0.2";  // nothing listens there
    ASSERT_TRUE(s.GoOnline("lou"));
    EXPECT_EQ(s.server.RedirectorRequests(), 1);
}

TEST(AccountChanges, NeedAConnectionAndTellTheServer) {
    Session s;
    session::ChangePassword(s.client->session, "new");
    session::ChangeEmail(s.client->session, "x@y.z");
    EXPECT_EQ(s.ui.Texts("alert"), (std::vector<std::string>{"You must be connected to change your password!",
                                                             "Must be connected to change your email address!"}));
    ASSERT_TRUE(s.GoOnline("max"));
    session::ChangePassword(s.client->session, std::string(30, 'p'));
    session::ChangeEmail(s.client->session, "");
    session::ChangeEmail(s.client->session, "max@example.org");
    session::SetLineSpeed(s.client->session, 8);
    transfer::SetDataPort(s.client->transfers, 6701);
    ASSERT_TRUE(s.server.WaitFor("max", 703, 5s));
    EXPECT_TRUE(SentFrame(s.server, "max", 701, std::string(19, 'p')));
    EXPECT_TRUE(SentFrame(s.server, "max", 702, "max@example.org"));
    EXPECT_TRUE(SentFrame(s.server, "max", 700, "8"));
    EXPECT_TRUE(SentFrame(s.server, "max", 703, "6701"));
    EXPECT_EQ(s.client->state.account().email, "max@example.org");
}

// A port another program holds cannot be listened on: the client goes firewalled and the server
// hears 0, never the port that failed.
TEST(AccountChanges, TheServerHearsThePortThatReallyListens) {
    Session s;
    ASSERT_TRUE(s.GoOnline("nia"));
    platform::Socket taken = platform::ListenTcp(0, false);
    const int port = platform::LocalPort(taken);
    const std::size_t before = s.server.FramesFrom("nia").size();
    transfer::SetDataPort(s.client->transfers, port);
    ASSERT_TRUE(test::RunUntil([&] { return s.server.FramesFrom("nia").size() > before; }, 5s));
    std::vector<std::string> told;
    for (const auto& f : s.server.FramesFrom("nia")) {
        if (f.type == 703) told.push_back(f.payload);
    }
    EXPECT_EQ(told, std::vector<std::string>{"0"});
    EXPECT_EQ(s.client->state.account().dataPort, 0);
    EXPECT_EQ(s.ui.Texts("alert-modeless"),
              std::vector<std::string>{"Unable to bind() to port " + std::to_string(port) + "! Going into firewall mode."});
}
