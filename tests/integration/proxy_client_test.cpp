#include "link/proxy_client.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/client.h"
#include "support/child_process.h"
#include "support/dante_proxy.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace std::chrono_literals;
using link::ConnectThroughProxy;

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// A proxy that plays a script: for each step, read what the client should send, then answer.
class FakeProxy {
public:
    struct Step {
        std::string expect;
        std::string answer;
    };
    explicit FakeProxy(std::vector<Step> steps) : listener_(platform::ListenTcp(0, true)), steps_(std::move(steps)) {
        thread_ = std::jthread([this] { Run(); });
    }
    std::uint16_t Port() const { return platform::LocalPort(listener_); }
    std::string Received() {
        thread_.join();
        return received_;
    }

private:
    void Run() {
        if (platform::WaitReadable(listener_.fd(), 5s) != platform::WaitResult::Ready) return;
        platform::Socket peer(::accept(listener_.fd(), nullptr, nullptr));
        for (const Step& step : steps_) {
            std::string got;
            char buf[256];
            while (got.size() < step.expect.size() && platform::WaitReadable(peer.fd(), 5s) == platform::WaitResult::Ready) {
                ssize_t n = ::recv(peer.fd(), buf, std::min(sizeof buf, step.expect.size() - got.size()), 0);
                if (n <= 0) break;
                got.append(buf, static_cast<std::size_t>(n));
            }
            received_ += got;
            if (got != step.expect) return;
            if (!step.answer.empty()) platform::SendAllBlocking(peer.fd(), step.answer);
        }
        // Hold the connection until the client is done with it.
        platform::WaitReadable(peer.fd(), 3s);
    }

    platform::Socket listener_;
    std::vector<Step> steps_;
    std::string received_;
    std::jthread thread_;
};

struct ProxyClient {
    // Scripted proxies answer at once or never: their waits are shortened a hundred times.
    explicit ProxyClient(double timeScale = 0.01) : client(ui, Options(profile, timeScale)) {}
    static ClientOptions Options(const test::TestProfile& profile, double timeScale) {
        ClientOptions o{profile.path()};
        o.timeScale = timeScale;
        return o;
    }
    void Use(int version, std::uint16_t port, std::string user = "", std::string pass = "") {
        auto s = client.state.EditSettings();
        s->proxyVersion = version;
        s->proxyServer = "127.0.0.1";
        s->proxyPort = port;
        s->proxyUser = std::move(user);
        s->proxyPass = std::move(pass);
    }
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client client;
};

const platform::Endpoint kTarget{0x0A000001, 6699};  // 10.0.0.1:6699, only ever named to the proxy
const std::string kSocks5Connect = Bytes({5, 1, 0, 1, 10, 0, 0, 1, 0x1A, 0x2B});
const std::string kSocks4Connect = Bytes({4, 1, 0x1A, 0x2B, 10, 0, 0, 1, 'x', 0});
const std::string kSocks5Granted = Bytes({5, 0, 0, 1, 0, 0, 0, 0, 0, 0});

}  // namespace

TEST(ProxyClient, SpeaksEachSocksExchangeByteForByte) {
    struct Case {
        const char* what;
        int version;
        std::string user, pass;
        std::vector<FakeProxy::Step> script;
        int status;
        std::vector<std::string> alerts;
    };
    const Case cases[] = {
        {"SOCKS 5 without authentication", 5, "", "", {{Bytes({5, 1, 0}), Bytes({5, 0})}, {kSocks5Connect, kSocks5Granted}}, 1, {}},
        {"SOCKS 5 with user and password",
         5,
         "alice",
         "pw",
         {{Bytes({5, 1, 2}), Bytes({5, 2})},
          {Bytes({1, 5}) + "alice" + Bytes({2}) + "pw", Bytes({1, 0})},
          {kSocks5Connect, kSocks5Granted}},
         1,
         {}},
        {"SOCKS 5 with a user but no password offers no authentication",
         5,
         "alice",
         "",
         {{Bytes({5, 1, 0}), Bytes({5, 0})}, {kSocks5Connect, kSocks5Granted}},
         1,
         {}},
        {"SOCKS 5 refusing every method", 5, "", "", {{Bytes({5, 1, 0}), Bytes({5, 255})}}, -1, {"Error communicating with proxy!"}},
        {"SOCKS 5 refusing the password",
         5,
         "alice",
         "bad",
         {{Bytes({5, 1, 2}), Bytes({5, 2})}, {Bytes({1, 5}) + "alice" + Bytes({3}) + "bad", Bytes({1, 1})}},
         -1,
         {"Error communicating with proxy!"}},
        {"SOCKS 5 refusing the connection",
         5,
         "",
         "",
         {{Bytes({5, 1, 0}), Bytes({5, 0})}, {kSocks5Connect, Bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0})}},
         -1,
         {}},
        {"SOCKS 4 granted", 4, "", "", {{kSocks4Connect, Bytes({0, 90, 0, 0, 0, 0, 0, 0})}}, 1, {}},
        {"SOCKS 4 rejected (91) without a notice", 4, "", "", {{kSocks4Connect, Bytes({0, 91, 0, 0, 0, 0, 0, 0})}}, -1, {}},
        {"SOCKS 5 that never answers the greeting", 5, "", "", {{Bytes({5, 1, 0}), ""}}, -1, {"Error communicating with proxy!"}},
        {"SOCKS 4 that never answers", 4, "", "", {{kSocks4Connect, ""}}, -1, {}},
    };
    for (const Case& c : cases) {
        FakeProxy proxy(c.script);
        ProxyClient p;
        p.Use(c.version, proxy.Port(), c.user, c.pass);
        auto start = std::chrono::steady_clock::now();
        auto outcome = ConnectThroughProxy(p.client.rt, kTarget, false);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << c.what;  // the waits are the Part's, scaled down
        EXPECT_EQ(outcome.status, c.status) << c.what;
        EXPECT_EQ(outcome.socket.valid(), c.status == 1) << c.what;
        std::string expected;
        for (const auto& step : c.script) expected += step.expect;
        outcome.socket.reset();
        EXPECT_EQ(proxy.Received(), expected) << c.what;
        std::vector<std::string> alerts = p.ui.Texts("alert-modeless");
        EXPECT_EQ(alerts, c.alerts) << c.what;
    }
}

TEST(ProxyClient, PeerConnectionsGoDirectWithoutProxyTransfers) {
    platform::Socket target = platform::ListenTcp(0, true);
    platform::Endpoint direct{kLoopback, platform::LocalPort(target)};
    ProxyClient p;
    p.Use(5, 1);  // nothing listens on port 1: the proxy must not be used
    p.client.state.EditSettings()->proxyTransfers = false;
    auto peer = ConnectThroughProxy(p.client.rt, direct, true);
    EXPECT_EQ(peer.status, 1);
    auto server = ConnectThroughProxy(p.client.rt, direct, false);
    EXPECT_EQ(server.status, -1);  // server connections still go through the proxy
}

TEST(ProxyClient, DirectConnectionsAndProxyNamesThatDoNotResolve) {
    ProxyClient p;
    auto refused = ConnectThroughProxy(p.client.rt, {kLoopback, 1}, false);
    EXPECT_EQ(refused.status, 0);
    p.Use(5, 1080);
    p.client.state.EditSettings()->proxyServer = "no-such-host.invalid";
    EXPECT_EQ(ConnectThroughProxy(p.client.rt, {kLoopback, 1}, false).status, -1);
    EXPECT_EQ(p.ui.Texts("alert"), std::vector<std::string>{"Unable to resolve address: no-such-host.invalid"});
}

using test::DanteProxy;

TEST(ProxyClient, ThroughARealSocksServer) {
    if (!std::filesystem::exists(DanteProxy::kDanted)) GTEST_SKIP() << "dante-server is not installed (scripts/setup.sh installs it)";
    // scripts/test.sh makes this throwaway system account for the user-and-password method.
    const char* user = "tandril-socks";
    const char* password = "socks-test-pw";
    ASSERT_NE(getpwnam(user), nullptr) << "run scripts/test.sh, which creates the proxy test account";
    test::TestProfile folder;
    DanteProxy open(folder, "none"), withPassword(folder, "username");
    ASSERT_TRUE(open.Listening());
    ASSERT_TRUE(withPassword.Listening());

    struct Case {
        const char* what;
        int version;
        const DanteProxy& proxy;
        std::string user, pass;
        int status;
    };
    const Case cases[] = {
        {"SOCKS 4", 4, open, "", "", 1},
        {"SOCKS 5 without authentication", 5, open, "", "", 1},
        {"SOCKS 5 with user and password", 5, withPassword, user, password, 1},
        {"SOCKS 5 with a wrong password", 5, withPassword, user, "wrong", -1},
    };
    for (const Case& c : cases) {
        platform::Socket target = platform::ListenTcp(0, true);
        ProxyClient p(1.0);  // a real server checking a real password takes its time: the real waits
        p.Use(c.version, c.proxy.Port(), c.user, c.pass);
        auto outcome = ConnectThroughProxy(p.client.rt, {kLoopback, platform::LocalPort(target)}, false);
        ASSERT_EQ(outcome.status, c.status) << c.what;
        if (c.status != 1) continue;
        // Bytes written to the proxied socket reach the destination.
        ASSERT_EQ(platform::WaitReadable(target.fd(), 5s), platform::WaitResult::Ready) << c.what;
        platform::Socket accepted(::accept(target.fd(), nullptr, nullptr));
        ASSERT_TRUE(platform::SendAllBlocking(outcome.socket.fd(), "1GET"));
        char buf[8] = {};
        ASSERT_EQ(platform::WaitReadable(accepted.fd(), 5s), platform::WaitResult::Ready);
        EXPECT_EQ(::recv(accepted.fd(), buf, sizeof buf, 0), 4) << c.what;
        EXPECT_EQ(std::string(buf, 4), "1GET") << c.what;
    }
}
