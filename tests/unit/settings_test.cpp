#include "base/settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/atomic_file.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using tandril::test::ScriptedUi;
using tandril::test::TestProfile;

namespace {

// The scrambling key, read back through the scrambling of zero bytes.
std::string Key() {
    std::string hex = ScramblePassword(std::string(10, '\0'));
    std::string key;
    for (std::size_t i = 0; i < hex.size(); i += 2) key.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return key;
}

// A stored account with every required value; `overrides` replace or (with nullopt) remove values.
void StoreAccount(ConfigStore& store, std::vector<std::pair<std::string, std::optional<std::string>>> overrides = {}) {
    ConfigKey root = store.CreateKey(kRootKey);
    store.SetValue(root, "DefFlag", "0");
    store.SetValue(root, "CurrentUser", "alice");
    ConfigKey user = store.CreateKey("Software\\Tandril\\alice");
    std::vector<std::pair<std::string, std::string>> values = {{"CompName", "alice"},
                                                               {"Checksum", ScramblePassword("pw")},
                                                               {"SavePath", "/home/alice/Music"},
                                                               {"WaitPort", "6699"},
                                                               {"Player", "Internal"},
                                                               {"Email", "alice@example.org"},
                                                               {"MaxDownloads", "3"},
                                                               {"MaxUploads", "3"},
                                                               {"LineSpeed", "8"},
                                                               {"SwearFilter", "0"}};
    for (auto& [name, value] : values) store.SetValue(user, name, value);
    for (auto& [name, value] : overrides) {
        if (value) {
            store.SetValue(user, name, *value);
        } else {
            store.DeleteValue(user, name);
        }
    }
}

struct Fixture {
    TestProfile profile;
    ConfigStore store{profile.path()};
    AppState state;
    ScriptedUi ui;
};

}  // namespace

TEST(Scramble, RoundTripsAndDoublesTheLength) {
    std::string key = Key();
    ASSERT_EQ(key.size(), 10u);
    const std::string passwords[] = {"a", "secret", std::string(19, 'z'), "pässwörd", key.substr(0, 3) + "x"};
    for (const auto& pw : passwords) {
        std::string scrambled = ScramblePassword(pw);
        EXPECT_EQ(scrambled.size(), pw.size() * 2);
        EXPECT_EQ(scrambled.find_first_not_of("0123456789abcdef"), std::string::npos);
        EXPECT_EQ(UnscramblePassword(scrambled), pw);
    }
    // A byte equal to the key byte at its position scrambles to "00" and still reads back.
    std::string same = key.substr(0, 2) + "pw";
    EXPECT_EQ(ScramblePassword(same).substr(0, 4), "0000");
    EXPECT_EQ(UnscramblePassword(ScramblePassword(same)), same);
    // The stored text is read with at most 39 characters: at most 19 bytes come back.
    EXPECT_EQ(UnscramblePassword(ScramblePassword(std::string(25, 'q'))), std::string(19, 'q'));
}

TEST(LoadSettings, AppliesTheBoundsOfEveryValue) {
    struct Case {
        const char* name;
        const char* stored;
        std::function<long long(const AppState&)> read;
        long long expected;
    };
    const Case cases[] = {
        {"MaxDownloads", "0", [](const AppState& s) { return s.settings().maxDownloads; }, 1},
        {"MaxDownloads", "-5", [](const AppState& s) { return s.settings().maxDownloads; }, 1},
        {"MaxDownloads", "7", [](const AppState& s) { return s.settings().maxDownloads; }, 7},
        {"WaitPort", "70000", [](const AppState& s) { return s.account().dataPort; }, 0},
        {"WaitPort", "65535", [](const AppState& s) { return s.account().dataPort; }, 0},
        {"WaitPort", "65534", [](const AppState& s) { return s.account().dataPort; }, 65534},
        {"WaitPort", "-1", [](const AppState& s) { return s.account().dataPort; }, 0},
        {"WaitPort", "abc", [](const AppState& s) { return s.account().dataPort; }, 0},
        {"LineSpeed", "10", [](const AppState& s) { return s.account().lineSpeed; }, 10},
        {"SwearFilter", "1", [](const AppState& s) { return s.settings().swearFilter; }, 1},
        {"DisplayJoinPart", "0", [](const AppState& s) { return s.settings().displayJoinPart; }, 0},
        {"PartialAction", "2", [](const AppState& s) { return s.settings().partialAction; }, 2},
    };
    for (const Case& c : cases) {
        Fixture f;
        StoreAccount(f.store, {{c.name, c.stored}});
        ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui)) << c.name;
        EXPECT_EQ(c.read(f.state), c.expected) << c.name << "=" << c.stored;
    }
}

TEST(LoadSettings, TextValuesHaveDefaultsAndLimits) {
    Fixture f;
    StoreAccount(f.store, {{"Player", ""}, {"Email", "   "}, {"CompName", std::string(30, 'n')}, {"SavePath", std::string(400, 'p')}});
    ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui));
    EXPECT_EQ(f.state.settings().player, "Internal");
    EXPECT_EQ(f.state.account().email, kDefaultEmail);
    EXPECT_EQ(f.state.account().userName, std::string(19, 'n'));
    EXPECT_EQ(f.state.settings().savePath.size(), 349u);
    EXPECT_EQ(f.state.account().password, "pw");
    EXPECT_EQ(f.state.account().dataPort, 6699);
}

TEST(LoadSettings, AMissingRequiredValueMeansNoAccount) {
    for (const char* name :
         {"CompName", "Checksum", "SavePath", "WaitPort", "Email", "MaxDownloads", "MaxUploads", "LineSpeed", "SwearFilter"}) {
        Fixture f;
        StoreAccount(f.store, {{name, std::nullopt}});
        EXPECT_FALSE(LoadSettings(f.store, f.state, f.ui)) << name;
        EXPECT_EQ(f.state.account().userName, "") << name;
    }
    Fixture optional;
    StoreAccount(optional.store, {{"Player", std::nullopt}, {"AutoJoin", std::nullopt}});
    EXPECT_TRUE(LoadSettings(optional.store, optional.state, optional.ui));
}

TEST(LoadSettings, FindsTheUserThroughDefFlagAndCurrentUser) {
    Fixture noStore;
    EXPECT_FALSE(LoadSettings(noStore.store, noStore.state, noStore.ui));

    Fixture noDefFlag;
    StoreAccount(noDefFlag.store);
    noDefFlag.store.DeleteValue(*noDefFlag.store.OpenKey(kRootKey), "DefFlag");
    EXPECT_FALSE(LoadSettings(noDefFlag.store, noDefFlag.state, noDefFlag.ui));

    Fixture firstSubKey;  // without "CurrentUser" the first account key is taken
    StoreAccount(firstSubKey.store);
    firstSubKey.store.DeleteValue(*firstSubKey.store.OpenKey(kRootKey), "CurrentUser");
    EXPECT_TRUE(LoadSettings(firstSubKey.store, firstSubKey.state, firstSubKey.ui));
    EXPECT_EQ(firstSubKey.state.account().userName, "alice");
}

TEST(LoadSettings, DisabledFileServerAsksToEnableIt) {
    for (Answer answer : {Answer::Yes, Answer::No}) {
        Fixture f;
        StoreAccount(f.store, {{"MaxUploads", "0"}});
        f.ui.Script({answer});
        ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui));
        EXPECT_EQ(f.state.settings().maxUploads, answer == Answer::Yes ? 3 : 0);
        auto questions = f.ui.Events();
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0].caption, "Enable file server?");
        EXPECT_EQ(questions[0].text,
                  "Your file server is currently disabled (max outbound transfers = 0). Would you like to enable your "
                  "file server?");
    }
}

TEST(LoadSettings, ConvertsTheOlderHashValue) {
    std::string key = Key();
    std::string password = key.substr(0, 1) + "bc";  // the first byte stores as the character '0'
    std::string hash;
    for (std::size_t i = 0; i < password.size(); ++i) {
        char c = static_cast<char>(password[i] ^ key[i]);
        hash.push_back(c == 0 ? '0' : c);
    }
    Fixture f;
    StoreAccount(f.store, {{"Checksum", std::nullopt}, {"Hash", hash}});
    ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui));
    EXPECT_EQ(f.state.account().password, password);
    ConfigKey user = *f.store.OpenKey("Software\\Tandril\\alice");
    EXPECT_FALSE(f.store.GetValue(user, "Hash"));
    EXPECT_EQ(f.store.GetValue(user, "Checksum"), ScramblePassword(password));
}

TEST(LoadSettings, ConvertsTheOlderProxyAddress) {
    Fixture f;
    StoreAccount(f.store, {{"ProxyIP", "16777343"}, {"ProxyPort", "1080"}});
    ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui));
    EXPECT_EQ(f.state.settings().proxyVersion, 5);
    EXPECT_EQ(f.state.settings().proxyServer, "127.0.0.1");
    EXPECT_EQ(f.state.settings().proxyPort, 1080);
    ConfigKey user = *f.store.OpenKey("Software\\Tandril\\alice");
    EXPECT_FALSE(f.store.GetValue(user, "ProxyIP"));
    EXPECT_FALSE(f.store.GetValue(user, "ProxyPort"));
    // Written back in the current form on the next save.
    ASSERT_TRUE(SaveSettings(f.store, f.state, f.ui));
    EXPECT_EQ(f.store.GetValue(user, "ProxyServer"), "127.0.0.1");
    EXPECT_EQ(f.store.GetValue(user, "ProxyPort"), "1080");
}

TEST(LoadSettings, MovesTheOldSharedFolderListOnce) {
    Fixture f;
    StoreAccount(f.store, {{"LibPath", "/music/a; /music/b;;/music/a"}});
    ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui));
    EXPECT_EQ(f.state.sharedFolders, (std::vector<std::string>{"/music/a", "/music/b"}));
    EXPECT_EQ(f.store.GetValue(*f.store.OpenKey("Software\\Tandril\\alice"), "LibPath"), "");
}

TEST(SaveSettings, WritesInOrderAndRoundTrips) {
    Fixture f;
    f.state.EditAccount()->userName = "dave";
    f.state.EditAccount()->password = "hunter2";
    f.state.EditAccount()->email = "dave@example.org";
    f.state.EditAccount()->dataPort = 6700;
    f.state.EditAccount()->lineSpeed = 9;
    f.state.EditSettings()->maxDownloads = 5;
    f.state.EditSettings()->searchFilters = {"Egale à ", "T1", "", "  ", "Supéri.", "100"};
    ASSERT_TRUE(SaveSettings(f.store, f.state, f.ui));

    ConfigStore reread(f.profile.path());
    AppState loaded;
    ASSERT_TRUE(LoadSettings(reread, loaded, f.ui));
    EXPECT_EQ(loaded.account().userName, "dave");
    EXPECT_EQ(loaded.account().password, "hunter2");
    EXPECT_EQ(loaded.account().dataPort, 6700);
    EXPECT_EQ(loaded.account().lineSpeed, 9);
    EXPECT_EQ(loaded.settings().maxDownloads, 5);
    EXPECT_EQ(loaded.settings().searchFilters[0], "Egale à");  // written trimmed
    EXPECT_EQ(loaded.settings().searchFilters[4], "Supéri.");

    ConfigKey user = *reread.OpenKey("Software\\Tandril\\dave");
    EXPECT_EQ(reread.GetValue(user, "lsopt"), "Egale à");
    EXPECT_FALSE(reread.GetValue(user, "bitopt"));     // an empty filter is stored by deleting it
    EXPECT_FALSE(reread.GetValue(user, "bitchoice"));  // blank after trimming
    auto text = *platform::ReadWholeFile(reread.FileOf(Hive::Machine));
    std::vector<std::size_t> positions;
    for (const char* name :
         {"\"CompName\"", "\"SavePath\"", "\"WaitPort\"", "\"Player\"", "\"Email\"", "\"AdvancedSearch\"", "\"MaxDownloads\"",
          "\"MaxUploads\"", "\"LineSpeed\"", "\"SwearFilter\"", "\"DisplayJoinPart\"", "\"AutoDelete\"", "\"PingResults\"", "\"AutoJoin\"",
          "\"InstantMessaging\"", "\"PartialAction\"", "\"CustomPallete\"", "\"CurrentScheme\"", "\"Checksum\""}) {
        positions.push_back(text.find(name));
        EXPECT_NE(positions.back(), std::string::npos) << name;
    }
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

TEST(SaveSettings, WithoutAProxyRemovesProxyTransfersWhichThenLoadsAsOne) {
    Fixture f;
    StoreAccount(f.store, {{"ProxyVersion", "5"}, {"ProxyServer", "proxy"}, {"ProxyPort", "1080"}, {"ProxyTransfers", "0"}});
    ASSERT_TRUE(LoadSettings(f.store, f.state, f.ui));
    EXPECT_FALSE(f.state.settings().proxyTransfers);
    f.state.EditSettings()->proxyVersion = 0;
    ASSERT_TRUE(SaveSettings(f.store, f.state, f.ui));
    ConfigKey user = *f.store.OpenKey("Software\\Tandril\\alice");
    for (const char* name : {"ProxyVersion", "ProxyServer", "ProxyPort", "ProxyUser", "ProxyPass", "ProxyTransfers"}) {
        EXPECT_FALSE(f.store.GetValue(user, name)) << name;
    }
    AppState again;
    ASSERT_TRUE(LoadSettings(f.store, again, f.ui));
    EXPECT_TRUE(again.settings().proxyTransfers);
}

TEST(SaveSettings, NothingWithoutAUserAndAWarningWhenTheStoreCannotBeWritten) {
    Fixture empty;
    EXPECT_TRUE(SaveSettings(empty.store, empty.state, empty.ui));
    EXPECT_FALSE(std::filesystem::exists(empty.store.FileOf(Hive::Machine)));

    TestProfile profile;
    auto blocked = profile.path() / "file";
    std::ofstream(blocked) << "x";
    ConfigStore store(blocked);
    AppState state;
    state.EditAccount()->userName = "erin";
    ScriptedUi ui;
    EXPECT_FALSE(SaveSettings(store, state, ui));
    EXPECT_EQ(ui.Texts("alert-modeless"), std::vector<std::string>{"WARNING: Registry write attempt failed!"});
}

TEST(ImportPreviousInstall, ReadsTheOldFileAndAsks) {
    Fixture f;
    f.profile.Write("tandril.dat",
                    "  frank  \r\nsecret\r\n/music;/more music\r\n/downloads\r\n70000\r\nInternal\r\n\r\n1\r\n5\r\n7\r\n1\r\n0\r\n1\r\n");
    EXPECT_TRUE(ImportPreviousInstall(f.profile.path(), f.state, f.ui));
    ASSERT_EQ(f.ui.Events().size(), 1u);
    EXPECT_EQ(f.ui.Events()[0].text, "Existing user found (frank) - Would you like to use this account?");
    EXPECT_EQ(f.ui.Events()[0].caption, "Use existing account?");
    EXPECT_EQ(f.state.account().userName, "frank");
    EXPECT_EQ(f.state.account().password, "secret");
    EXPECT_EQ(f.state.sharedFolders, (std::vector<std::string>{"/music", "/more music"}));
    EXPECT_EQ(f.state.account().dataPort, 0);
    EXPECT_EQ(f.state.account().email, kDefaultEmail);
    EXPECT_EQ(f.state.settings().maxDownloads, 3);  // below 3 reads as 3
    EXPECT_EQ(f.state.settings().maxUploads, 5);
    EXPECT_EQ(f.state.account().lineSpeed, 7);
    EXPECT_TRUE(f.state.settings().swearFilter);
    EXPECT_FALSE(f.state.settings().displayJoinPart);  // line 12
    EXPECT_TRUE(f.state.settings().autoDelete);        // line 13
    EXPECT_TRUE(f.state.settings().pingResults);       // line 14 is missing: the default stays
    EXPECT_FALSE(f.state.settings().autoJoin);
}

TEST(ImportPreviousInstall, RefusedOrIncompleteClearsTheAccount) {
    Fixture refused;
    refused.profile.Write("tandril.dat", "gina\npw\n/music\n/old downloads\n0\nInternal\n\n3\n9\n0\n0\n");
    refused.ui.Script({Answer::No});
    EXPECT_FALSE(ImportPreviousInstall(refused.profile.path(), refused.state, refused.ui));
    EXPECT_EQ(refused.state.account().userName, "");
    // Nothing of the declined account stays: the wizard that follows starts from nothing.
    EXPECT_EQ(refused.state.settings().savePath, "");
    EXPECT_EQ(refused.state.settings().maxUploads, Settings{}.maxUploads);
    EXPECT_TRUE(refused.state.sharedFolders.empty());

    Fixture shortFile;  // the swear filter line is missing
    shortFile.profile.Write("tandril.dat", "gina\npw\n\n\n0\nInternal\n\n3\n3\n0\n");
    EXPECT_FALSE(ImportPreviousInstall(shortFile.profile.path(), shortFile.state, shortFile.ui));
    EXPECT_TRUE(shortFile.ui.Events().empty());

    Fixture emptyPlayer;
    emptyPlayer.profile.Write("tandril.dat", "gina\npw\n\n\n0\n\n\n3\n3\n0\n0\n");
    EXPECT_FALSE(ImportPreviousInstall(emptyPlayer.profile.path(), emptyPlayer.state, emptyPlayer.ui));

    Fixture none;
    EXPECT_FALSE(ImportPreviousInstall(none.profile.path(), none.state, none.ui));
}

TEST(ImportProxyFile, ConvertsTheNumericAddress) {
    Fixture f;
    f.profile.Write("proxy.dat", "16820416\r\n1080\r\n");  // 192.168.0.1 as the old files kept it
    ImportProxyFile(f.profile.path(), f.state);
    EXPECT_EQ(f.state.settings().proxyVersion, 5);
    EXPECT_EQ(f.state.settings().proxyServer, "192.168.0.1");
    EXPECT_EQ(f.state.settings().proxyPort, 1080);

    Fixture oneLine;
    oneLine.profile.Write("proxy.dat", "16820416\n");
    ImportProxyFile(oneLine.profile.path(), oneLine.state);
    EXPECT_EQ(oneLine.state.settings().proxyVersion, 0);
}

TEST(NetworkEndpoints, TheRedirectorsAreConfigurationValues) {
    Fixture none;
    NetworkEndpoints defaults = ReadNetworkEndpoints(none.store);
    EXPECT_EQ(defaults.redirectorPort, 8875);
    EXPECT_FALSE(defaults.primaryRedirector.empty());

    Fixture f;
    ConfigKey root = f.store.CreateKey(kRootKey);
    f.store.SetValue(root, "Redirector", " redir.example.org ");
    f.store.SetValue(root, "Redirector2", "10.1.2.3");
    f.store.SetValue(root, "RedirectorPort", "9000");
    NetworkEndpoints ends = ReadNetworkEndpoints(f.store);
    EXPECT_EQ(ends.primaryRedirector, "redir.example.org");
    EXPECT_EQ(ends.fallbackRedirector, "10.1.2.3");
    EXPECT_EQ(ends.redirectorPort, 9000);
    f.store.SetValue(root, "RedirectorPort", "70000");
    EXPECT_EQ(ReadNetworkEndpoints(f.store).redirectorPort, 8875);  // not a port: the default stays
}
