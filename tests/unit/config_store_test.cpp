#include "base/config_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "platform/atomic_file.h"
#include "support/test_profile.h"

using namespace tandril;
using tandril::test::TestProfile;

TEST(ConfigStore, ValuesSurviveARestartInAReadableFile) {
    TestProfile profile;
    {
        ConfigStore store(profile.path());
        ConfigKey key = store.CreateKey("Software\\Tandril\\alice");
        store.SetValue(key, "Email", "a \"quoted\" \\ text\nwith a line feed");
        store.SetNumberValue(key, "Check Winsock", 0);
        ASSERT_TRUE(store.Flush());
    }
    auto text = platform::ReadWholeFile(profile.path() / "machine.reg");
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("[Software\\Tandril\\alice]"), std::string::npos);
    EXPECT_NE(text->find("\"Check Winsock\"=dword:0"), std::string::npos);

    ConfigStore again(profile.path());
    EXPECT_TRUE(again.Problems().empty());
    auto key = again.OpenKey("software\\tandril\\ALICE");  // names compare without regard to case
    ASSERT_TRUE(key);
    EXPECT_EQ(again.GetValue(*key, "email"), "a \"quoted\" \\ text\nwith a line feed");
    EXPECT_EQ(again.GetNumberValue(*key, "Check Winsock"), 0u);
    EXPECT_EQ(again.SubKeys(*again.OpenKey("Software\\Tandril")), std::vector<std::string>{"alice"});
}

TEST(ConfigStore, MachineHiveIsOpenedFirstThenUser) {
    TestProfile profile;
    profile.Write("user.reg", "[Software\\Tandril]\n\"From\"=\"user\"\n[Software\\Tandril\\bob]\n\"CompName\"=\"bob\"\n");
    ConfigStore store(profile.path());
    auto onlyUser = store.OpenKey("Software\\Tandril\\bob");
    ASSERT_TRUE(onlyUser);
    EXPECT_EQ(onlyUser->hive, Hive::User);

    ConfigKey machine = store.CreateKey("Software\\Tandril");
    EXPECT_EQ(machine.hive, Hive::User);  // an existing key is reused where it is
    store.SetValue(store.CreateKey("Software\\Other"), "x", "1");
    EXPECT_EQ(store.OpenKey("Software\\Other")->hive, Hive::Machine);
}

TEST(ConfigStore, DamagedFileLoadsWhatItCanAndKeepsTheOriginal) {
    TestProfile profile;
    const std::string damaged =
        "garbage before any key\n"
        "[Software\\Tandril]\n"
        "\"DefFlag\"=\"0\"\n"
        "\x01\x02 binary junk \xff\n"
        "\"Broken=\"no closing quote\n"
        "\"Number\"=dword:notanumber\n"
        "[unterminated key\n"
        "\"CurrentUser\"=\"carol\"\n";
    profile.Write("machine.reg", damaged);
    ConfigStore store(profile.path());
    auto key = store.OpenKey("Software\\Tandril");
    ASSERT_TRUE(key);
    EXPECT_EQ(store.GetValue(*key, "DefFlag"), "0");
    EXPECT_EQ(store.GetValue(*key, "CurrentUser"), "carol");
    EXPECT_EQ(store.Problems().size(), 6u);  // five bad lines, and where the file was kept
    EXPECT_EQ(platform::ReadWholeFile(profile.path() / "machine.reg.damaged"), damaged);
}

TEST(ConfigStore, DeletingValuesAndFlushingOnlyWhatChanged) {
    TestProfile profile;
    ConfigStore store(profile.path());
    ConfigKey key = store.CreateKey("Software\\Tandril");
    store.SetValue(key, "A", "1");
    store.SetValue(key, "B", "2");
    store.DeleteValue(key, "a");
    ASSERT_TRUE(store.Flush());
    EXPECT_FALSE(std::filesystem::exists(profile.path() / "user.reg"));
    ConfigStore again(profile.path());
    EXPECT_FALSE(again.GetValue(key, "A"));
    EXPECT_EQ(again.GetValue(key, "B"), "2");
}

TEST(ConfigStore, FlushReportsAFolderThatCannotBeWritten) {
    TestProfile profile;
    auto folder = profile.path() / "not-a-folder";
    std::ofstream(folder) << "a file where the profile folder should be";
    ConfigStore store(folder);
    store.SetValue(store.CreateKey("Software\\Tandril"), "DefFlag", "0");
    EXPECT_FALSE(store.Flush());
}

// A process killed at any moment of a rewrite leaves the old file or the new one, never a mixture.
TEST(ConfigStore, RewriteSurvivesAKillAtAnyMoment) {
    TestProfile profile;
    auto fill = [](char c) { return std::string(200000, c); };
    {
        ConfigStore store(profile.path());
        store.SetValue(store.CreateKey("Software\\Tandril"), "Big", fill('a'));
        ASSERT_TRUE(store.Flush());
    }
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ConfigStore store(profile.path());
            ConfigKey key = store.CreateKey("Software\\Tandril");
            for (int i = 0;; ++i) {
                store.SetValue(key, "Big", fill(i % 2 ? 'a' : 'b'));
                store.Flush();
            }
        }
        usleep(1000 + random() % 20000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ConfigStore store(profile.path());
        EXPECT_TRUE(store.Problems().empty()) << "round " << round;
        auto big = store.GetValue(*store.OpenKey("Software\\Tandril"), "Big");
        ASSERT_TRUE(big) << "round " << round;
        EXPECT_TRUE(*big == fill('a') || *big == fill('b')) << "round " << round;
    }
    for (const auto& entry : std::filesystem::directory_iterator(profile.path())) {
        EXPECT_EQ(entry.path().filename(), "machine.reg");  // no temporary file is left to pile up
    }
}
