// The automatic upgrade end to end: devserver offers it (5), the client fetches the new program
// from a real HTTP server (nginx on loopback) and runs it only when it is whole and signed by
// the key the client trusts. The "new program" is a small script that writes down its arguments.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <fstream>
#include <future>
#include <thread>

#include "app/single_instance.h"
#include "base/settings.h"
#include "platform/atomic_file.h"
#include "support/child_process.h"
#include "support/nginx.h"
#include "support/session.h"
#include "upgrade/check_value.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr const char* kOpenssl = "/usr/bin/openssl";
constexpr const char* kNewVersion = "v2.1";

bool RunTool(const std::vector<std::string>& argv) {
    test::ChildProcess p(argv);
    return p.Started() && p.Wait(30s) == 0;
}

// An HTTP server that announces more bytes than it sends, then closes.
class ShortBodyServer {
public:
    ShortBodyServer() : listening_(platform::ListenTcp(0, true)) {
        thread_ = std::jthread([this] {
            if (platform::WaitReadable(listening_.fd(), 20s) != platform::WaitResult::Ready) return;
            platform::Socket c(::accept(listening_.fd(), nullptr, nullptr));
            char buffer[1024];
            (void)::recv(c.fd(), buffer, sizeof buffer, 0);
            platform::SendAllBlocking(c.fd(), "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n#!/bin/sh\n");
        });
    }
    std::uint16_t Port() const { return platform::LocalPort(listening_); }

private:
    platform::Socket listening_;
    std::jthread thread_;
};

// One online client, an HTTP server with a signing key, and the "new program" that records how
// it was started.
struct UpgradeRig {
    UpgradeRig() : nginx(web) {
        keyFile = web.path() / "key.pem";
        EXPECT_TRUE(RunTool({kOpenssl, "genpkey", "-algorithm", "ed25519", "-out", keyFile.string()}));
        EXPECT_TRUE(RunTool({kOpenssl, "pkey", "-in", keyFile.string(), "-pubout", "-out", (web.path() / "key.pub").string()}));
        marker = web.path() / "started-with";
        oldProgram = web.path() / "installed-client";
        std::ofstream(oldProgram) << "old client";
        // Written aside and moved in, so the marker never appears half written.
        program = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + marker.string() + ".part' && mv '" + marker.string() + ".part' '" +
                  marker.string() + "'\n";
        std::filesystem::create_directories(nginx.root() / "tandril");

        Client& c = *s.client;
        c.session.upgrade.publicKeyPem = platform::ReadWholeFile(web.path() / "key.pub").value_or("");
        c.session.upgrade.programPath = oldProgram;
        ConfigKey root = c.store.CreateKey(kRootKey);
        c.store.SetValue(root, "DownloadHost", "localhost");
        c.store.SetValue(root, "UpgradeHost", "updates.tandril.test");
        UsePort(nginx.Port());
        listener = ListenForLaterStarts(c);
        QObject::connect(&c, &Client::exitRequested, &c, [this](int) { listener.reset(); });
    }
    void UsePort(std::uint16_t port) { s.client->store.SetValue(s.client->store.CreateKey(kRootKey), "UpgradePort", std::to_string(port)); }
    // Publishes `bytes` at /tandril/<name>, with a signature of `signed` by `key` unless told not to.
    void Publish(const std::string& name, const std::string& bytes, std::optional<std::string> signedBytes,
                 const std::filesystem::path& key) {
        auto file = nginx.root() / "tandril" / name;
        std::ofstream(file, std::ios::binary) << bytes;
        if (!signedBytes) return;
        auto toSign = web.path() / "to-sign";
        std::ofstream(toSign, std::ios::binary) << *signedBytes;
        EXPECT_TRUE(RunTool(
            {kOpenssl, "pkeyutl", "-sign", "-rawin", "-inkey", key.string(), "-in", toSign.string(), "-out", file.string() + ".sig"}));
    }
    void Publish(const std::string& name) { Publish(name, program, program, keyFile); }
    bool GoOnline() { return s.GoOnline("alice", "secret"); }
    std::filesystem::path UpgradeFile() const { return s.profile.path() / kUpgradeFileName; }
    std::vector<std::string> Alerts() const { return s.ui.Texts("alert"); }

    test::TestProfile web;
    test::Nginx nginx;
    test::Session s;
    std::filesystem::path keyFile, marker, oldProgram;
    std::string program;
    std::unique_ptr<platform::LocalInstanceServer> listener;
    std::unique_ptr<ShortBodyServer> shortBody;
};

bool ToolsPresent() {
    return std::filesystem::exists(test::kNginx) && std::filesystem::exists(kOpenssl);
}

}  // namespace

TEST(Upgrade, ASignedProgramRunsAndTheOldInstanceHandsOver) {
    if (!ToolsPresent()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    UpgradeRig rig;
    ASSERT_TRUE(rig.nginx.Listening());
    rig.Publish("new-client");
    ASSERT_TRUE(rig.GoOnline());
    // A location without a host: the default download host.
    ASSERT_TRUE(rig.s.server.OfferUpgrade("alice", kNewVersion, "/tandril/new-client"));
    ASSERT_TRUE(RunUntil([&] { return std::filesystem::exists(rig.marker); }));

    // The new program was started from the profile folder with the running program's path.
    EXPECT_EQ(platform::ReadWholeFile(rig.marker), "UPGRADE\n" + rig.oldProgram.string() + "\n");
    EXPECT_EQ(platform::ReadWholeFile(rig.UpgradeFile()), rig.program);
    EXPECT_EQ(std::filesystem::status(rig.UpgradeFile()).permissions(), std::filesystem::perms::owner_all);
    EXPECT_FALSE(rig.s.client->state.connected);
    EXPECT_TRUE(rig.Alerts().empty());
    auto dialog = rig.s.ui.Texts("dialog");
    EXPECT_NE(std::find(dialog.begin(), dialog.end(), "Auto Upgrading Client..."), dialog.end());
    auto second = rig.s.ui.Texts("dialog2");
    EXPECT_NE(std::find(second.begin(), second.end(), "(v2.0 BETA 9.4) => (v2.1)"), second.end());
    auto status0 = rig.s.ui.Texts("status0");
    EXPECT_NE(std::find(status0.begin(), status0.end(), "Auto Upgrading to v2.1."), status0.end());
    auto status1 = rig.s.ui.Texts("status1");
    const std::string read = "Read " + std::to_string(rig.program.size()) + " of " + std::to_string(rig.program.size()) + " bytes.";
    EXPECT_NE(std::find(status1.begin(), status1.end(), read), status1.end());
    EXPECT_EQ(rig.s.client->main.StatusText(1), "");  // cleared after the download
    EXPECT_NE(rig.nginx.AccessLog().find("\"GET /tandril/new-client HTTP/1.0\" 200"), std::string::npos) << rig.nginx.AccessLog();
    EXPECT_NE(rig.nginx.AccessLog().find("\"GET /tandril/new-client.sig HTTP/1.0\" 200"), std::string::npos);

    // The new program, started as the old instance's upgrade, ends it and takes its place.
    SingleInstanceOptions options{rig.s.profile.path(), rig.UpgradeFile(), 10ms, 50};
    auto handOver = std::async(std::launch::async, [&] { return ApplySingleInstanceRule(options, {"UPGRADE", rig.oldProgram.string()}); });
    ASSERT_TRUE(RunUntil([&] { return handOver.wait_for(0ms) == std::future_status::ready; }));
    EXPECT_EQ(handOver.get(), InstanceDecision::Continue);
    EXPECT_TRUE(rig.s.exitCode.has_value());
    EXPECT_EQ(platform::ReadWholeFile(rig.oldProgram), rig.program);
}

TEST(Upgrade, AWrongCheckValueOnlyPointsToTheNewerVersion) {
    if (!ToolsPresent()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    const std::string right = upgrade::UpgradeCheckValue("alice", "secret", 0, 8, kVersionText);
    std::string upper = right;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    ASSERT_NE(upper, right);
    struct Case {
        const char* what;
        std::string payload;
    } cases[] = {
        {"letter case", "\"v2.1\" \"/tandril/new-client\" " + upper},
        {"another account's value", "\"v2.1\" \"/tandril/new-client\" " + upgrade::UpgradeCheckValue("alice", "other", 0, 8, kVersionText)},
        {"no check value", "\"v2.1\" \"/tandril/new-client\""},
    };
    for (const Case& c : cases) {
        UpgradeRig rig;
        rig.Publish("new-client");
        ASSERT_TRUE(rig.GoOnline()) << c.what;
        ASSERT_TRUE(rig.s.server.SendTo("alice", 5, c.payload));
        ASSERT_TRUE(RunUntil([&] { return !rig.Alerts().empty(); })) << c.what;
        EXPECT_EQ(rig.Alerts(), std::vector<std::string>{"A newer version of Tandril is available.  Please get it from "
                                                         "https://www.tandril.invalid/download"})
            << c.what;
        // Still online, nothing fetched, nothing written.
        EXPECT_TRUE(rig.s.client->state.connected) << c.what;
        EXPECT_EQ(rig.nginx.AccessLog(), "") << c.what;
        EXPECT_FALSE(std::filesystem::exists(rig.UpgradeFile())) << c.what;
    }
}

TEST(Upgrade, AHostThatIsNotAllowedGetsNothing) {
    if (!ToolsPresent()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    UpgradeRig rig;
    rig.Publish("new-client");
    ASSERT_TRUE(rig.GoOnline());
    // The address is where the HTTP server is, but only the configured names are upgrade hosts.
    ASSERT_TRUE(rig.s.server.OfferUpgrade("alice", kNewVersion, "127.0.0.1:/tandril/new-client"));
    ASSERT_TRUE(RunUntil([&] { return !rig.s.client->state.connected && !rig.s.client->dialog.IsOpen(); }));
    EXPECT_TRUE(rig.Alerts().empty());
    EXPECT_EQ(rig.nginx.AccessLog(), "");
    EXPECT_FALSE(std::filesystem::exists(rig.UpgradeFile()));
    EXPECT_FALSE(rig.s.exitCode.has_value());
}

TEST(Upgrade, AnythingButAWholeSignedProgramIsRefusedAndRemoved) {
    if (!ToolsPresent()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    struct Case {
        const char* what;
        std::function<void(UpgradeRig&)> prepare;
        const char* reason;
    } cases[] = {
        {"not found", [](UpgradeRig&) {}, "404"},
        {"a short body",
         [](UpgradeRig& rig) {
             rig.shortBody = std::make_unique<ShortBodyServer>();
             rig.UsePort(rig.shortBody->Port());
         },
         "Read 10 of 5000 bytes."},
        {"no signature", [](UpgradeRig& rig) { rig.Publish("new-client", rig.program, std::nullopt, rig.keyFile); }, "no signature"},
        {"signed by another key",
         [](UpgradeRig& rig) {
             auto otherKey = rig.web.path() / "other.pem";
             ASSERT_TRUE(RunTool({kOpenssl, "genpkey", "-algorithm", "ed25519", "-out", otherKey.string()}));
             rig.Publish("new-client", rig.program, rig.program, otherKey);
         },
         "signature is not valid"},
        {"changed after signing",
         [](UpgradeRig& rig) { rig.Publish("new-client", rig.program + "rm -rf \"$HOME\"\n", rig.program, rig.keyFile); },
         "signature is not valid"},
    };
    for (const Case& c : cases) {
        UpgradeRig rig;
        c.prepare(rig);
        ASSERT_TRUE(rig.GoOnline()) << c.what;
        ASSERT_TRUE(rig.s.server.OfferUpgrade("alice", kNewVersion, " LOCALHOST : /tandril/new-client")) << c.what;
        ASSERT_TRUE(RunUntil([&] { return rig.s.exitCode.has_value(); })) << c.what;
        auto alerts = rig.Alerts();
        ASSERT_EQ(alerts.size(), 1u) << c.what;
        EXPECT_TRUE(alerts[0].starts_with("Auto Upgrading Failed!!\n")) << c.what << ": " << alerts[0];
        EXPECT_NE(alerts[0].find(c.reason), std::string::npos) << c.what << ": " << alerts[0];
        EXPECT_FALSE(std::filesystem::exists(rig.UpgradeFile())) << c.what;
        EXPECT_FALSE(std::filesystem::exists(rig.marker)) << c.what;
        EXPECT_EQ(platform::ReadWholeFile(rig.oldProgram), "old client") << c.what;
    }
}

TEST(Upgrade, AHostThatDoesNotResolveIsTriedAFewTimesThenGivenUp) {
    if (!ToolsPresent()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    UpgradeRig rig;
    rig.s.client->store.SetValue(rig.s.client->store.CreateKey(kRootKey), "UpgradeHost", "no-such-host.invalid");
    ASSERT_TRUE(rig.GoOnline());
    ASSERT_TRUE(rig.s.server.OfferUpgrade("alice", kNewVersion, "no-such-host.invalid:/tandril/new-client"));
    ASSERT_TRUE(RunUntil([&] { return !rig.s.client->dialog.IsOpen() && rig.Alerts().size() == 4; }));
    EXPECT_EQ(rig.Alerts(),
              (std::vector<std::string>{
                  "Unable to resolve address: no-such-host.invalid", "Unable to resolve address: no-such-host.invalid",
                  "Unable to resolve address: no-such-host.invalid", "Error while auto upgrading.  Please restart your client."}));
    EXPECT_FALSE(std::filesystem::exists(rig.UpgradeFile()));
    EXPECT_FALSE(rig.s.exitCode.has_value());
}
