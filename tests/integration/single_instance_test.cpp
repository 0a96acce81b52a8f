#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "app/startup.h"
#include "platform/atomic_file.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;

namespace {

struct FirstInstance {
    FirstInstance() : client(ui, ClientOptions{profile.path()}) {
        listener = ListenForLaterStarts(client);
        QObject::connect(&client, &Client::linkReceived, &client, [this](const QString& l) { links.push_back(l.toStdString()); });
        QObject::connect(&client, &Client::raiseRequested, &client, [this] { ++raised; });
        QObject::connect(&client, &Client::exitRequested, &client, [this](int) {
            exited = true;
            listener.reset();  // the process would end here and its socket with it
        });
    }
    // A later start, run beside the event loop as a second process would be.
    InstanceDecision SecondStart(std::vector<std::string> args, std::filesystem::path ownExecutable = "/bin/true") {
        SingleInstanceOptions options{profile.path(), ownExecutable, 10ms, 50};
        auto result = std::async(std::launch::async, [&] { return ApplySingleInstanceRule(options, args); });
        RunUntil([&] { return result.wait_for(0ms) == std::future_status::ready; }, 20s);
        return result.get();
    }

    test::TestProfile profile;
    test::ScriptedUi ui;
    Client client;
    std::unique_ptr<platform::LocalInstanceServer> listener;
    std::vector<std::string> links;
    int raised = 0;
    bool exited = false;
};

}  // namespace

TEST(SingleInstance, TheFirstStartGoesOnAndRemovesALeftOverUpgradeFile) {
    test::TestProfile profile;
    profile.Write(kUpgradeFileName, "old");
    EXPECT_EQ(ApplySingleInstanceRule({profile.path(), "/bin/true"}, {}), InstanceDecision::Continue);
    EXPECT_FALSE(std::filesystem::exists(profile.path() / kUpgradeFileName));
}

TEST(SingleInstance, ASecondStartHandsItsLinkToTheFirstAndEnds) {
    FirstInstance first;
    ASSERT_TRUE(first.listener);
    EXPECT_EQ(first.SecondStart({"-p", "tdl:search?artist=Miles%20Davis"}), InstanceDecision::EndThisProcess);
    ASSERT_TRUE(RunUntil([&] { return !first.links.empty(); }));
    EXPECT_EQ(first.links, std::vector<std::string>{"tdl:search?artist=Miles%20Davis"});
    EXPECT_EQ(first.raised, 1);

    EXPECT_EQ(first.SecondStart({}), InstanceDecision::EndThisProcess);  // only brought forward
    ASSERT_TRUE(RunUntil([&] { return first.raised == 2; }));
    EXPECT_EQ(first.links.size(), 1u);
    EXPECT_FALSE(first.exited);
}

TEST(SingleInstance, UpgradeEndsTheFirstAndCopiesItselfOverThePath) {
    FirstInstance first;
    auto newProgram = first.profile.path() / "new-build";
    std::ofstream(newProgram) << "new program bytes";
    auto installed = first.profile.path() / "installed";
    std::ofstream(installed) << "old program";
    EXPECT_EQ(first.SecondStart({"upgrade", installed.string()}, newProgram), InstanceDecision::Continue);
    EXPECT_TRUE(first.exited);
    EXPECT_EQ(platform::ReadWholeFile(installed), "new program bytes");
}

TEST(SingleInstance, UpgradeKeepsRetryingWhileTheTargetCannotBeWritten) {
    FirstInstance first;
    auto blockedFolder = first.profile.path() / "later";
    auto target = blockedFolder / "tandril";
    std::ofstream(blockedFolder) << "a file where the folder will be";  // copying fails until it is a folder
    auto start = std::chrono::steady_clock::now();
    std::jthread unblock([&] {
        std::this_thread::sleep_for(100ms);
        std::filesystem::remove(blockedFolder);
        std::filesystem::create_directory(blockedFolder);
    });
    EXPECT_EQ(first.SecondStart({"UPGRADE", target.string()}, "/bin/true"), InstanceDecision::Continue);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_TRUE(std::filesystem::exists(target));
}
