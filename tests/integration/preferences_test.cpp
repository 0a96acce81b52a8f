// The preferences sheet's rules without widgets: every page's OK rules, what a change sends to
// the server (devserver), the folder-change sequence, the queued downloads a higher limit starts,
// the disk scan, and a proxy change taking effect on the next connection (a real SOCKS server).
#include "session/preferences.h"

#include <gtest/gtest.h>

#include <fstream>

#include "base/shared_folders.h"
#include "library/media_inspection.h"
#include "platform/atomic_file.h"
#include "session/reconnect.h"
#include "session/server_disconnect.h"
#include "support/dante_proxy.h"
#include "support/media_fixtures.h"
#include "support/session.h"
#include "transfer/download_queue.h"

using namespace tandril;
using namespace tandril::session;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::RunUntil;

namespace {

// An online client whose stored account shares `folders`, with the pages as they stand.
struct PrefsSession : test::Session {
    using test::Session::Session;
    bool Start(const std::string& user, const std::vector<std::string>& folders = {}, int maxUploads = 3) {
        StoreAccount(user, "pw", [&](AppState& s) {
            s.EditAccount()->email = "me@example.org";
            s.EditSettings()->maxUploads = maxUploads;
            s.sharedFolders = folders;
        });
        return StartOnline(user);
    }
    session::Session& core() { return client->session; }
    // Every frame the client sent from now until a marker frame, which comes after all of them.
    std::vector<devserver::Frame> FramesUntilMarker(const std::string& user, std::size_t from) {
        client->link.SendServerMessage(750, "marker");
        EXPECT_TRUE(server.WaitFor(user, 750, 5s));
        auto all = server.FramesFrom(user);
        std::vector<devserver::Frame> frames(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
        if (!frames.empty() && frames.back().type == 750) frames.pop_back();
        return frames;
    }
    // Applies every page as shown (with `edit` changing them first) and closes the sheet with OK.
    bool ApplyAllAndClose(const std::function<void(PersonalPage&, ChatPage&, SharingPage&, DownloadPage&, ProxyForm&)>& edit) {
        PersonalPage personal = CurrentPersonalPage(core());
        ChatPage chat = CurrentChatPage(core());
        SharingPage sharing = CurrentSharingPage(core());
        DownloadPage download = CurrentDownloadPage(core());
        ProxyForm proxy = CurrentProxyForm(core());
        edit(personal, chat, sharing, download, proxy);
        const bool ok =
            ApplyPersonalPage(core(), personal) == PageResult::Accepted && ApplyChatPage(core(), chat) == PageResult::Accepted &&
            ApplySharingPage(core(), sheet, sharing) == PageResult::Accepted &&
            ApplyDownloadPage(core(), sheet, download) == PageResult::Accepted && ApplyProxyPage(core(), proxy) == PageResult::Accepted;
        sheet.closedWithOk = ok;
        ClosePreferences(core(), sheet);
        return ok;
    }
    PreferencesSheet sheet;
};

// Two folders of real MP3 files.
struct TwoFolders {
    test::TestProfile dir;
    fs::path rock = dir.path() / "Rock", jazz = dir.path() / "Jazz";
    TwoFolders() {
        fs::create_directories(rock);
        fs::create_directories(jazz);
        auto song = test::EncodeMp3(dir, "song", 2, 44100, "-b 128 --cbr -t");
        fs::copy_file(song, rock / "a.mp3");
        fs::copy_file(song, rock / "b.mp3");
        fs::copy_file(song, jazz / "c.mp3");
    }
};

std::vector<std::string> Names(const std::vector<devserver::SharedFile>& files) {
    std::vector<std::string> names;
    for (const auto& f : files) names.push_back(f.virtualName);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

// Each rule of each page: what was typed, the answers given, whether the sheet closes, what the
// user was told, and what the settings became.
TEST(Preferences, EveryPageKeepsItsOkRules) {
    struct Case {
        const char* what;
        std::function<PageResult(PrefsSession&)> apply;
        std::vector<Answer> answers;
        PageResult result;
        std::vector<std::string> alerts;
        std::vector<std::string> questions;
        std::function<void(PrefsSession&)> check;
    };
    auto personal = [](std::function<void(PersonalPage&)> edit) {
        return [edit](PrefsSession& s) {
            PersonalPage p = CurrentPersonalPage(s.core());
            edit(p);
            return ApplyPersonalPage(s.core(), p);
        };
    };
    auto sharing = [](std::function<void(SharingPage&)> edit) {
        return [edit](PrefsSession& s) {
            SharingPage p = CurrentSharingPage(s.core());
            edit(p);
            return ApplySharingPage(s.core(), s.sheet, p);
        };
    };
    auto download = [](std::function<void(DownloadPage&)> edit) {
        return [edit](PrefsSession& s) {
            DownloadPage p = CurrentDownloadPage(s.core());
            edit(p);
            return ApplyDownloadPage(s.core(), s.sheet, p);
        };
    };
    const std::string kUploadsEmpty =
        "You must specify a max outbound transfers value.  If you wish to disable file sharing, set your max outbound transfers to 0.";
    const std::string kPortEmpty =
        "You must specify a dataport on which to share files.  If you wish to disable file sharing, set your max outbound transfers to 0.";
    const std::string kShutDown =
        "Setting your max uploads to 0 makes it impossible for others to download your shared files.  Are you sure you want to do this?";
    auto settings = [](PrefsSession& s) { return s.client->state.settings(); };
    const Case cases[] = {
        {"no e-mail address",
         personal([](PersonalPage& p) { p.email = "   "; }),
         {},
         PageResult::Stay,
         {"You must specify an email address!"},
         {},
         [](PrefsSession& s) { EXPECT_EQ(s.client->state.account().email, "me@example.org"); }},
        {"no password (and the e-mail is not sent either)",
         personal([](PersonalPage& p) {
             p.email = "new@example.org";
             p.password = "";
         }),
         {},
         PageResult::Stay,
         {"You must specify a password!"},
         {},
         [](PrefsSession& s) { EXPECT_EQ(s.client->state.account().email, "me@example.org"); }},
        {"new e-mail, password and player",
         personal([](PersonalPage& p) {
             p.email = " new@example.org ";
             p.password = "newpw";
             p.defaultPlayer = true;
         }),
         {},
         PageResult::Accepted,
         {},
         {},
         [settings](PrefsSession& s) {
             EXPECT_EQ(s.client->state.account().email, "new@example.org");
             EXPECT_EQ(s.client->state.account().password, "newpw");
             EXPECT_EQ(settings(s).player, "Default");
         }},
        {"no upload value",
         sharing([](SharingPage& p) { p.maxUploads = " "; }),
         {},
         PageResult::Stay,
         {kUploadsEmpty},
         {},
         [settings](PrefsSession& s) { EXPECT_EQ(settings(s).maxUploads, 3); }},
        {"no data port", sharing([](SharingPage& p) { p.dataPort = ""; }), {}, PageResult::Stay, {kPortEmpty}, {}, {}},
        {"uploads 3 to 0, answered No",
         sharing([](SharingPage& p) { p.maxUploads = "0"; }),
         {Answer::No},
         PageResult::Accepted,
         {},
         {kShutDown},
         [settings](PrefsSession& s) { EXPECT_EQ(settings(s).maxUploads, 3); }},
        {"uploads 3 to 0, answered Yes",
         sharing([](SharingPage& p) { p.maxUploads = "0"; }),
         {Answer::Yes},
         PageResult::Accepted,
         {},
         {kShutDown},
         [settings](PrefsSession& s) { EXPECT_EQ(settings(s).maxUploads, 0); }},
        {"uploads 3 to 5",
         sharing([](SharingPage& p) { p.maxUploads = "5"; }),
         {},
         PageResult::Accepted,
         {},
         {},
         [settings](PrefsSession& s) { EXPECT_EQ(settings(s).maxUploads, 5); }},
        {"no download count",
         download([](DownloadPage& p) { p.maxDownloads = ""; }),
         {},
         PageResult::Stay,
         {"You must enter a max simulanteous download count!"},
         {},
         {}},
        {"zero downloads",
         download([](DownloadPage& p) { p.maxDownloads = "0"; }),
         {},
         PageResult::Stay,
         {"You cannot set your max downloads < 1!"},
         {},
         [settings](PrefsSession& s) { EXPECT_EQ(settings(s).maxDownloads, 3); }},
        {"no save folder, answered No",
         download([](DownloadPage& p) { p.tickedFolders.clear(); }),
         {Answer::No},
         PageResult::Stay,
         {},
         {"save-folder"},
         {}},
        {"no save folder, answered Yes",
         download([](DownloadPage& p) {
             p.tickedFolders.clear();
             p.partialAction = 2;
             p.autoDelete = true;
             p.maxDownloads = "4";
         }),
         {Answer::Yes},
         PageResult::Accepted,
         {},
         {"save-folder"},
         [settings](PrefsSession& s) {
             EXPECT_EQ(settings(s).savePath, "");  // "My Files" is used
             EXPECT_EQ(settings(s).partialAction, 2);
             EXPECT_TRUE(settings(s).autoDelete);
             EXPECT_EQ(settings(s).maxDownloads, 4);
         }},
    };
    for (const Case& c : cases) {
        PrefsSession s;
        ASSERT_TRUE(s.Start("ann")) << c.what;
        s.client->state.EditSettings()->savePath = (s.profile.path() / "Downloads").string();
        s.ui.Script(c.answers);
        const std::size_t alertsBefore = s.ui.Texts("alert").size();
        EXPECT_EQ(c.apply(s), c.result) << c.what;
        auto alerts = s.ui.Texts("alert");
        EXPECT_EQ(std::vector<std::string>(alerts.begin() + static_cast<std::ptrdiff_t>(alertsBefore), alerts.end()), c.alerts) << c.what;
        auto questions = s.ui.Texts("question");
        if (!c.questions.empty() && c.questions[0] == "save-folder") {
            const std::string myFiles = (s.profile.path() / "My Files").string();
            EXPECT_EQ(questions, std::vector<std::string>{"You did not choose a save folder!  Would you like to use '" + myFiles +
                                                          "' as your folder to save new files?"})
                << c.what;
        } else {
            EXPECT_EQ(questions, c.questions) << c.what;
        }
        if (c.check) c.check(s);
    }
}

TEST(Preferences, TheChatPageStoresItsFourBoxes) {
    PrefsSession s;
    ChatPage page{false, true, true, false};
    EXPECT_EQ(ApplyChatPage(s.core(), page), PageResult::Accepted);
    const Settings after = s.client->state.settings();
    EXPECT_FALSE(after.instantMessaging);
    EXPECT_TRUE(after.swearFilter);
    EXPECT_TRUE(after.autoJoin);
    EXPECT_FALSE(after.displayJoinPart);
}

TEST(Preferences, ChangingOnlyTheLineSpeedSends700AndNothingElse) {
    PrefsSession s;
    ASSERT_TRUE(s.Start("ann"));
    const std::size_t before = s.server.FramesFrom("ann").size();
    ASSERT_TRUE(s.ApplyAllAndClose([](PersonalPage& p, ChatPage&, SharingPage&, DownloadPage&, ProxyForm&) { p.lineSpeed = 10; }));
    auto frames = s.FramesUntilMarker("ann", before);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, 700);
    EXPECT_EQ(frames[0].payload, "10");
    EXPECT_EQ(s.client->state.account().lineSpeed, 10);
    // Saved: the stored account has the new speed.
    AppState stored;
    test::ScriptedUi quiet;
    ASSERT_TRUE(LoadSettings(s.client->store, stored, quiet));
    EXPECT_EQ(stored.account().lineSpeed, 10);
    EXPECT_TRUE(s.ui.Texts("alert").empty());
}

TEST(Preferences, UploadsFromZeroAnnounceAndBackToZeroWithdraw) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    TwoFolders m;
    PrefsSession s;
    s.ui.Script({Answer::No});  // "Enable file server?" at start-up
    ASSERT_TRUE(s.Start("ann", {m.rock.string()}, 0));
    EXPECT_TRUE(s.server.SharedFilesOf("ann").empty());
    SharingPage page = CurrentSharingPage(s.core());
    page.maxUploads = "2";
    EXPECT_EQ(ApplySharingPage(s.core(), s.sheet, page), PageResult::Accepted);
    ASSERT_TRUE(RunUntil([&] { return s.server.SharedFilesOf("ann").size() == 2; }));
    page.maxUploads = "0";
    s.ui.Script({Answer::Yes});
    EXPECT_EQ(ApplySharingPage(s.core(), s.sheet, page), PageResult::Accepted);
    ASSERT_TRUE(RunUntil([&] { return s.server.SharedFilesOf("ann").empty(); }));
    EXPECT_EQ(s.client->state.sharedFileCount, 0);
}

TEST(Preferences, ChangedFoldersArePrunedRescannedLoadedAndAnnounced) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    TwoFolders m;
    PrefsSession s;
    ASSERT_TRUE(s.Start("ann", {m.rock.string()}));
    ASSERT_TRUE(RunUntil([&] { return s.server.SharedFilesOf("ann").size() == 2; }));
    const auto rockNames = Names(s.server.SharedFilesOf("ann"));
    const std::size_t before = s.server.FramesFrom("ann").size();

    // Rock unticked, Jazz ticked.
    ASSERT_TRUE(s.ApplyAllAndClose(
        [&](PersonalPage&, ChatPage&, SharingPage& p, DownloadPage&, ProxyForm&) { p.tickedFolders = {m.jazz.string()}; }));
    ASSERT_TRUE(RunUntil([&] { return !s.client->dialog.IsOpen(); }));
    ASSERT_TRUE(RunUntil([&] { return s.server.SharedFilesOf("ann").size() == 1; }));
    EXPECT_EQ(s.server.SharedFilesOf("ann")[0].virtualName.substr(s.server.SharedFilesOf("ann")[0].virtualName.find('\\')),
              "\\1\\Jazz\\c.mp3");
    // The two Rock files were withdrawn one by one (102), then the Jazz file announced.
    auto frames = s.FramesUntilMarker("ann", before);
    std::vector<std::string> unshared;
    int firstAnnounce = -1, lastUnshare = -1;
    for (int i = 0; i < static_cast<int>(frames.size()); ++i) {
        if (frames[i].type == 102) {
            unshared.push_back(frames[i].payload);
            lastUnshare = i;
        }
        if ((frames[i].type == 100 || frames[i].type == 870) && firstAnnounce < 0) firstAnnounce = i;
    }
    std::sort(unshared.begin(), unshared.end());
    EXPECT_EQ(unshared, rockNames);
    EXPECT_LT(lastUnshare, firstAnnounce);
    auto dialog = s.ui.Texts("dialog");
    EXPECT_NE(std::find(dialog.begin(), dialog.end(), "Loading new files..."), dialog.end());
    EXPECT_NE(std::find(dialog.begin(), dialog.end(), "Sharing new files..."), dialog.end());
    // The new list is what the store holds.
    AppState stored;
    stored.EditAccount()->userName = "ann";
    LoadSharedFolders(s.client->store, stored);
    EXPECT_EQ(stored.sharedFolders, std::vector<std::string>{m.jazz.string()});
    // shared.dat holds the Jazz file only.
    auto dat = platform::ReadWholeFile(s.profile.path() / "shared.dat").value_or("");
    EXPECT_NE(dat.find("c.mp3"), std::string::npos);
    EXPECT_EQ(dat.find("a.mp3"), std::string::npos);
}

TEST(Preferences, MoreDownloadSlotsStartTheQueuedDownloadsThatNowFit) {
    PrefsSession s;
    ASSERT_TRUE(s.Start("ann"));
    s.client->state.EditSettings()->maxDownloads = 1;
    s.client->state.EditSettings()->savePath = (s.profile.path() / "Downloads").string();
    for (const char* name : {"1:\\1\\a.mp3", "1:\\1\\b.mp3", "1:\\1\\c.mp3", "1:\\1\\d.mp3"}) {
        transfer::EnqueueDownload(s.client->transfers, name, "bob", 1000, "h");
    }
    const std::size_t before = s.server.FramesFrom("ann").size();
    DownloadPage page = CurrentDownloadPage(s.core());
    page.maxDownloads = "3";
    EXPECT_EQ(ApplyDownloadPage(s.core(), s.sheet, page), PageResult::Accepted);
    // Checked before the event loop runs: the server's answers cannot have changed anything yet.
    EXPECT_EQ(s.client->state.Downloads(), 3);
    std::vector<transfer::TransferState> states;
    {
        auto lock = s.client->transfers.lists.Take(false);
        for (auto& r : s.client->transfers.lists.Of(lock, false)) states.push_back(r->state);
    }
    using transfer::TransferState;
    EXPECT_EQ(states, (std::vector<TransferState>{TransferState::Connecting, TransferState::Connecting, TransferState::Connecting,
                                                  TransferState::Queued}));
    auto frames = s.FramesUntilMarker("ann", before);
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](auto& f) { return f.type == 203; }), 3);
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](auto& f) { return f.type == 218; }), 3);
}

TEST(Preferences, TheDiskScanAddsFoldersAndRefillsTheTree) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    TwoFolders m;
    PrefsSession s;
    ASSERT_TRUE(s.Start("ann"));
    ConfigKey key = s.client->store.CreateKey("Software\\Tandril\\File Types");
    s.client->store.SetValue(key, "FilesToScan", "MP3");
    const std::string mounts = "/dev/sda1 " + m.dir.path().string() + " ext4 rw 0 0\nproc /proc proc rw 0 0\n";
    std::optional<std::vector<std::string>> shown;
    auto sheet = std::make_shared<PreferencesSheet>();
    StartDiskScan(
        s.core(), sheet, [&](std::vector<std::string> folders) { shown = std::move(folders); }, mounts);
    ASSERT_TRUE(RunUntil([&] { return shown.has_value() && !s.client->dialog.IsOpen(); }));
    // Rock and Jazz are the two subfolders, both with files: their parent is proposed.
    EXPECT_EQ(*shown, std::vector<std::string>{m.dir.path().string()});
    EXPECT_EQ(SharedFolderList(s.client->state), *shown);
    EXPECT_TRUE(sheet->sharedFoldersChanged);
    auto lines = s.ui.Texts("dialog2");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Scanning drive " + m.dir.path().string() + "..."), lines.end());
}

TEST(Preferences, AProxyChangeTakesEffectOnTheNextConnection) {
    if (!fs::exists(test::DanteProxy::kDanted)) GTEST_SKIP() << "dante-server is not installed (scripts/setup.sh installs it)";
    test::TestProfile folder;
    test::DanteProxy proxy(folder, "none");
    ASSERT_TRUE(proxy.Listening());
    PrefsSession s({}, 1.0);  // a real SOCKS server answers in its own time: the real waits
    ASSERT_TRUE(s.Start("ann"));
    ProxyForm form{2, "127.0.0.1", std::to_string(proxy.Port()), "", "", true};
    EXPECT_EQ(ApplyProxyPage(s.core(), form), PageResult::Accepted);
    // The open connection is not touched; behind a proxy the client is firewalled (703 0).
    EXPECT_TRUE(s.client->state.connected);
    ASSERT_TRUE(s.server.WaitFor("ann", 703, 5s));
    EXPECT_EQ(s.client->state.account().dataPort, 0);
    EXPECT_EQ(proxy.Log().find(std::to_string(s.server.ServerPort())), std::string::npos);

    // The next connection goes through the proxy, to the redirector and to the server.
    ServerDisconnect(s.core(), false);
    ConnectCommand(s.core());
    ASSERT_TRUE(RunUntil([&] { return s.client->state.connected.load() && !s.client->dialog.IsOpen(); }))
        << proxy.Log() << testing::PrintToString(s.ui.Texts("alert")) << testing::PrintToString(s.ui.Texts("dialog"))
        << testing::PrintToString(s.ui.Texts("dialog2"));
    ASSERT_TRUE(RunUntil([&] { return proxy.Log().find("." + std::to_string(s.server.ServerPort())) != std::string::npos; }))
        << proxy.Log();
    EXPECT_NE(proxy.Log().find("." + std::to_string(s.server.RedirectorPort())), std::string::npos);

    // Applying the same form again changes nothing and sends nothing.
    const std::size_t before = s.server.FramesFrom("ann").size();
    EXPECT_EQ(ApplyProxyPage(s.core(), CurrentProxyForm(s.core())), PageResult::Accepted);
    EXPECT_TRUE(s.FramesUntilMarker("ann", before).empty());
}
