// The real Qt application, started on the offscreen platform against devserver.
#include <gtest/gtest.h>
#include <signal.h>

#include "base/config_store.h"
#include "base/settings.h"
#include "devserver/dev_server.h"
#include "platform/atomic_file.h"
#include "support/child_process.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::ChildProcess;

namespace {

std::vector<std::string> Environment(const test::TestProfile& runtime) {
    return {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime.path().string(), "XDG_DATA_HOME=" + runtime.path().string()};
}

std::vector<std::string> Command(const test::TestProfile& profile, const devserver::DevServer& server, std::vector<std::string> more = {}) {
    std::vector<std::string> argv = {TANDRIL_GUI_BINARY, "--profile", profile.path().string(), "--redirector",
                                     "127.0.0.1:" + std::to_string(server.RedirectorPort())};
    argv.insert(argv.end(), more.begin(), more.end());
    return argv;
}

}  // namespace

TEST(Application, StartsOnlineHandsLinksToTheRunningInstanceAndExitsCleanly) {
    test::TestProfile profile, runtime;
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    {
        AppState account;
        account.EditAccount()->userName = "kim";
        account.EditAccount()->password = "pw";
        ConfigStore store(profile.path());
        test::ScriptedUi quiet;
        ASSERT_TRUE(SaveSettings(store, account, quiet));
    }
    ChildProcess first(Command(profile, server), Environment(runtime));
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(server.WaitFor("kim", -1, 20s)) << "the client did not log in";

    // The desktop hands tdl: links to the program.
    auto entry = platform::ReadWholeFile(runtime.path() / "applications/tandril-tdl.desktop");
    ASSERT_TRUE(entry);
    EXPECT_NE(entry->find("MimeType=x-scheme-handler/tdl;"), std::string::npos);
    EXPECT_NE(entry->find("\" -p %u"), std::string::npos);

    ChildProcess second(Command(profile, server, {"-p", "tdl:SEARCH?ARTIST=pink+floyd"}), Environment(runtime));
    EXPECT_EQ(second.Wait(20s), 0);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(server.IsOnline("kim"));  // still the one session of the first instance
    // The running instance ran the link's search.
    ASSERT_TRUE(server.WaitFor("kim", 200, 20s));
    auto frames = server.FramesFrom("kim");
    auto search = std::find_if(frames.begin(), frames.end(), [](auto& f) { return f.type == 200; });
    EXPECT_EQ(search->payload, "FILENAME CONTAINS \"pink floyd\" MAX_RESULTS 100 ");

    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(20s), 0);
    EXPECT_TRUE(server.WaitOffline("kim", 5s));
    ConfigStore saved(profile.path());
    auto root = saved.OpenKey(kRootKey);
    ASSERT_TRUE(root);
    EXPECT_TRUE(saved.GetValue(*root, "WinCx").has_value());  // the exit saved the window's placement
}
