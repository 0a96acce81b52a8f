#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <map>
#include <thread>

#include "base/shared_folders.h"
#include "devserver/dev_server.h"
#include "library/audio_data_start.h"
#include "platform/atomic_file.h"
#include "search/search_session.h"
#include "support/fake_uploader.h"
#include "support/media_fixtures.h"
#include "support/network_user.h"
#include "transfer/data_port.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace tandril::transfer;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr double kTransferTimeScale = 0.05;  // the 20-second waits of the peer protocol last one second

// The list's one record, for a caller that holds its lock.
TransferRecord* Only(Client& c, const ListLock& lock, bool outbound) {
    auto& list = c.transfers.lists.Of(lock, outbound);
    return list.size() == 1 ? list.front().get() : nullptr;
}

TransferState StateOf(Client& c, bool outbound) {
    auto lock = c.transfers.lists.Take(outbound);
    TransferRecord* r = Only(c, lock, outbound);
    return r ? r->state : TransferState::Connecting;
}

bool Ends(Client& c, bool outbound, TransferState expected) {
    return test::RunUntil([&] { return StateOf(c, outbound) == expected; }, 15s);
}

std::string Status(Client& c, bool outbound) {
    auto rows = c.transfers.view.Rows(outbound);
    return rows.size() == 1 ? rows.front().cells[kStatusColumn] : "";
}

// Waits, with the event loop running, until `user` sent a frame of `type`.
bool Sent(devserver::DevServer& server, const std::string& user, int type) {
    return test::RunUntil(
        [&] {
            for (const auto& f : server.FramesFrom(user)) {
                if (f.type == type) return true;
            }
            return false;
        },
        10s);
}

// A network of devserver, a sharer with a data port and a downloader.
struct Network {
    Network() {
        EXPECT_TRUE(server.Ok());
        fs::create_directories(music.path() / "Music");
        song = test::EncodeMp3(music, "song", 3, 44100, "-b 128 --cbr -t");
        fs::copy_file(song, music.path() / "Music/Blue Rock.mp3");
    }
    // The sharer's one file as the server lists it.
    devserver::SharedFile Shared() { return server.SharedFilesOf("ann").front(); }
    bool Online() {
        return ann.GoOnline(server) && bob.GoOnline(server) && test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; });
    }
    devserver::DevServer server;
    test::TestProfile music;
    fs::path song;
    test::NetworkUser ann{
        server,
        "ann",
        {.lineSpeed = 8, .folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort(), .timeScale = kTransferTimeScale}};
    test::NetworkUser bob{server, "bob", {.lineSpeed = 10, .timeScale = kTransferTimeScale}};
};

}  // namespace

TEST(Transfer, ADownloadArrivesByteForByteAndIsSharedAfterwards) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n;
    ASSERT_TRUE(n.Online());
    Client& bob = *n.bob.client;
    test::ScriptedUi quiet;
    SetShareSaveFolder(bob.store, bob.state, quiet, true);

    const devserver::SharedFile file = n.Shared();
    StartDownload(bob.transfers, file.virtualName, "ann", file.size);
    StartDownload(bob.transfers, file.virtualName, "ANN", file.size);  // the same download again: ignored
    ASSERT_TRUE(Ends(bob, false, TransferState::Complete)) << Status(bob, false);
    EXPECT_EQ(Status(bob, false), "File Complete!");
    ASSERT_TRUE(Ends(*n.ann.client, true, TransferState::Complete));
    EXPECT_EQ(Status(*n.ann.client, true), "File Complete!");

    const fs::path got = fs::path(bob.state.settings().savePath) / "Blue Rock.mp3";
    EXPECT_EQ(platform::ReadWholeFile(got), platform::ReadWholeFile(n.song));
    // The hash came with the server's answer; the finished file is shared under it.
    ASSERT_TRUE(test::RunUntil([&] { return n.server.SharedFilesOf("bob").size() == 1; }));
    EXPECT_EQ(n.server.SharedFilesOf("bob").front().hash, file.hash);
    {
        auto lock = bob.transfers.lists.Take(false);
        EXPECT_EQ(Only(bob, lock, false)->checksum, file.hash);
    }
    // Slots: taken and given back on both sides.
    EXPECT_TRUE(test::RunUntil([&] { return bob.state.Downloads() == 0 && n.ann.client->state.Uploads() == 0; }));
    EXPECT_TRUE(Sent(n.server, "bob", 219) && Sent(n.server, "ann", 221));
    auto types = [&](const std::string& user) {
        std::vector<int> t;
        for (const auto& f : n.server.FramesFrom(user)) {
            if (f.type == 203 || f.type == 218 || f.type == 219 || f.type == 220 || f.type == 221 || f.type == 608) t.push_back(f.type);
        }
        return t;
    };
    EXPECT_EQ(types("bob"), (std::vector<int>{218, 203, 219}));
    EXPECT_EQ(types("ann"), (std::vector<int>{608, 220, 221}));
    EXPECT_EQ(bob.transfers.view.Info().first, "Inbound Transfers:    0");
}

namespace {

// Connects to a data port as a peer would and sends `segments` one by one; returns every byte the
// port sent after its greeting, up to the close (or what came within five seconds).
std::string AskDataPort(int port, const std::vector<std::string>& segments, bool* greeted = nullptr) {
    platform::Socket s;
    if (platform::ConnectBlocking({0x7F000001, static_cast<std::uint16_t>(port)}, 2s, s) != platform::ConnectResult::Connected)
        return "(no connection)";
    char one = 0;
    bool ok = platform::WaitReadable(s.fd(), 5s) == platform::WaitResult::Ready && ::recv(s.fd(), &one, 1, 0) == 1 && one == '1';
    if (greeted) *greeted = ok;
    for (const std::string& segment : segments) {
        platform::SendAllBlocking(s.fd(), segment);
        std::this_thread::sleep_for(20ms);
    }
    std::string got;
    char buf[65536];
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until && platform::WaitReadable(s.fd(), 5s) == platform::WaitResult::Ready) {
        ssize_t n = ::recv(s.fd(), buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

}  // namespace

TEST(Transfer, TheDataPortServesOnlySharedFilesThatWereAskedFor) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n;
    ASSERT_TRUE(n.Online());
    Client& ann = *n.ann.client;
    const int port = ann.state.account().dataPort;
    const std::string name = n.Shared().virtualName;
    const std::string local = (n.music.path() / "Music/Blue Rock.mp3").string();
    fs::path secret = n.music.path() / "secret.txt";
    platform::WriteFileAtomically(secret, "not shared");

    struct Case {
        std::vector<std::string> segments;
        std::string reply;
    };
    const std::string folderNumber = name.substr(0, name.find('\\'));
    const Case refused[] = {
        {{"GET", "mallory \"" + folderNumber + "\\1\\..\\secret.txt\" 0"}, "FILE NOT SHARED"},
        {{"GET", "mallory \"" + folderNumber + "\\1\\..\\..\\..\\..\\..\\etc\\passwd\" 0"}, "FILE NOT SHARED"},
        {{"GET", "mallory \"" + secret.string() + "\" 0"}, "FILE NOT SHARED"},
        {{"GET", "mallory \"/etc/passwd\" 0"}, "FILE NOT SHARED"},
        {{"GET", "mallory \"" + name + "/../../secret.txt\" 0"}, "FILE NOT SHARED"},
        {{"GET", "mallory \"9:\\9\\Blue Rock.mp3\" 0"}, "FILE NOT SHARED"},
        {{"GET", "mallory \"" + std::string(5000, 'A') + "\" 0"}, "FILE NOT SHARED"},
        {{"GET", ""}, ""},  // the line never comes
        // Shared, but never accepted through the server.
        {{"GET", "mallory \"" + name + "\" 0"}, "INVALID REQUEST"},
        {{"GET", "mallory \"" + local + "\" 0"}, "INVALID REQUEST"},
        {{"HELLO"}, "INVALID REQUEST"},
    };
    for (const Case& c : refused) {
        bool greeted = false;
        EXPECT_EQ(AskDataPort(port, c.segments, &greeted), c.reply) << c.segments.back().substr(0, 80);
        EXPECT_TRUE(greeted);
    }
    // A peer that connects and says nothing is let go once the wait for its command is over.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(AskDataPort(port, {}), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);

    // Accepted through the server (607 → 608): the file is served, with "GET" and its line in one
    // segment as well as in two.
    const std::string file = *platform::ReadWholeFile(n.song);
    for (const std::vector<std::string>& segments :
         {std::vector<std::string>{"GET", "mallory \"" + name + "\" 0"}, std::vector<std::string>{"GETmallory \"" + name + "\" 0"}}) {
        ASSERT_TRUE(n.server.SendTo("ann", 607, "mallory \"" + name + "\" 3"));
        ASSERT_TRUE(test::RunUntil([&] { return StateOf(ann, true) == TransferState::Connecting && ann.transfers.lists.Size(true) == 1; }));
        std::string got;
        std::thread peer([&] { got = AskDataPort(port, segments); });
        test::RunUntil([&] { return StateOf(ann, true) == TransferState::Complete; });
        peer.join();
        EXPECT_EQ(got, std::to_string(file.size()) + file);
        ClearFinishedTransfers(ann.transfers);
    }
    EXPECT_TRUE(test::RunUntil([&] { return ann.state.Uploads() == 0; }));
}

namespace {

// A client that is not online: its downloads get their uploader's address by hand.
struct Downloader {
    Downloader() : c(ui, Options(profile)) {
        fs::create_directories(save);
        c.state.EditAccount()->userName = "bob";
        c.state.EditSettings()->savePath = save.string();
    }
    static ClientOptions Options(const test::TestProfile& profile) {
        ClientOptions options{profile.path()};
        options.timeScale = kTransferTimeScale;
        return options;
    }
    // Starts the download of `name` from `nick` and gives it the fake uploader's address (204).
    void From(const test::FakeUploader& peer, const std::string& nick, const std::string& name, std::uint32_t size) {
        StartDownload(c.transfers, name, nick, size);
        OnDownloadAddress(c.transfers, *protocol::DownloadAddress::Decode(nick + " 16777343 " + std::to_string(peer.Port()) + " \"" + name +
                                                                          "\" 0123456789abcdef 3"));
    }
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c;
    const fs::path save = profile.path() / "Downloads";
};

}  // namespace

// The both-firewalled question about one download is asked while another download runs: the
// running one goes on receiving (no list lock is held while the user makes up their mind).
// Every connection to the data port runs on a thread of its own: once served, its thread is
// reclaimed, so a long session does not grow.
TEST(Transfer, ServedConnectionsLeaveNoThreadBehind) {
    auto threads = [] {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) ++n;
        return n;
    };
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c(ui, ClientOptions{profile.path()});
    c.state.EditAccount()->dataPort = test::FreePort();
    StartDataPortListener(c.transfers);
    const int port = c.state.account().dataPort;
    ASSERT_EQ(AskDataPort(port, {"HELLO"}), "INVALID REQUEST");
    const std::size_t before = threads();
    for (int i = 0; i < 60; ++i) ASSERT_EQ(AskDataPort(port, {"HELLO"}), "INVALID REQUEST");
    // The last served connection's thread may still be on its way out; the next start reclaims it.
    ASSERT_EQ(AskDataPort(port, {"HELLO"}), "INVALID REQUEST");
    EXPECT_LT(c.rt.WorkerCount(), 10u);  // not one kept per connection
    EXPECT_LT(threads(), before + 10);
}

TEST(Transfer, AQuestionAboutOneDownloadDoesNotStallAnother) {
    // An uploader that trickles 1,000 bytes, 20 every 20 ms.
    test::FakeUploader trickle({.reply = "1000", .body = std::string(1000, 'x'), .piece = 20, .pause = 20ms});
    Downloader d;
    auto position = [&] {
        auto lock = d.c.transfers.lists.Take(false);
        for (auto& r : d.c.transfers.lists.Of(lock, false)) {
            if (r->remoteName == "slow.mp3") return r->position;
        }
        return std::uint32_t{0};
    };
    StartDownload(d.c.transfers, "slow.mp3", "kim", 1000);
    OnDownloadAddress(d.c.transfers,
                      *protocol::DownloadAddress::Decode("kim 16777343 " + std::to_string(trickle.Port()) + " \"slow.mp3\" h 3"));
    ASSERT_TRUE(test::RunUntil([&] { return position() > 0; }, 10s));

    bool advanced = false;
    d.ui.whileAsking = [&] {
        const std::uint32_t before = position();
        const auto until = std::chrono::steady_clock::now() + 5s;
        while (!advanced && std::chrono::steady_clock::now() < until) {
            advanced = position() > before;
            std::this_thread::sleep_for(10ms);
        }
    };
    // Both sides firewalled: the question is asked on this (the GUI) thread.
    StartDownload(d.c.transfers, "other.mp3", "sam", 10);
    OnDownloadAddress(d.c.transfers, *protocol::DownloadAddress::Decode("sam 16777343 0 \"other.mp3\" h 3"));
    EXPECT_EQ(d.ui.Texts("both-firewalled-download"), std::vector<std::string>{"other.mp3"});
    EXPECT_TRUE(advanced);
}

TEST(Transfer, AHostileUploaderCostsAFailedDownloadAndNothingElse) {
    struct Case {
        std::string remoteName;
        std::uint32_t size;
        std::string greeting, reply;
        std::chrono::milliseconds hold;
        int partialAction;
        TransferState end;    // Complete, Error; Cancelled stands for "no record left"
        std::string savedAs;  // the file in the save folder, if any
        std::string contents;
        std::string alert;
    };
    const Case cases[] = {
        // Names that would climb out of the save folder keep only their base name.
        {"C:\\x\\..\\..\\up.mp3", 4, "1", "4abcdEXTRA", 0ms, 1, TransferState::Complete, "up.mp3", "abcd", ""},
        {"a\\b/../../esc.mp3", 3, "1", "3xyz", 0ms, 1, TransferState::Complete, "esc.mp3", "xyz", ""},
        // A size reply and more bytes than the size: only the size lands.
        {"more.mp3", 0, "1", "5abcdefgh", 0ms, 1, TransferState::Complete, "more.mp3", "abcde", ""},
        {"gone.mp3", 10, "1", "FILE NOT SHARED", 0ms, 1, TransferState::Error, "", "", ""},
        {"junk.mp3", 10, "1", "#!@", 0ms, 1, TransferState::Error, "", "", ""},
        {"rude.mp3", 10, "0", "", 0ms, 1, TransferState::Error, "", "",
         "User evil is not properly configured. Try again in a few minutes."},
        {"zero.mp3", 0, "1", "0", 0ms, 1, TransferState::Cancelled, "", "", "zero.mp3' has a 0 byte file size!"},
        // Stalls after some bytes, or closes early: the partial file is kept or deleted.
        {"stall.mp3", 100, "1", "100abc", 2500ms, 1, TransferState::Error, "../Incomplete/stall.mp3", "abc", ""},
        {"short.mp3", 100, "1", "100abc", 0ms, 0, TransferState::Error, "", "", ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.remoteName);
        Downloader bob;
        Client& c = bob.c;
        const fs::path& save = bob.save;
        c.state.EditSettings()->partialAction = k.partialAction;
        test::FakeUploader evil({.greeting = k.greeting, .reply = k.reply, .hold = k.hold});
        bob.From(evil, "evil", k.remoteName, k.size);
        if (k.end == TransferState::Cancelled) {
            EXPECT_TRUE(test::RunUntil([&] { return c.transfers.lists.Size(false) == 0; }, 10s));
        } else {
            EXPECT_TRUE(Ends(c, false, k.end)) << Status(c, false);
        }
        evil.Join();
        if (k.greeting == "1") {
            EXPECT_EQ(evil.Request().substr(0, 9), "GETbob \"" + k.remoteName.substr(0, 1));
        }
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(bob.profile.path())) {
            const auto ending = e.path().extension();
            if (e.is_regular_file() && (ending == ".mp3" || ending == ".part")) files.push_back(fs::relative(e.path(), save).string());
        }
        EXPECT_EQ(files, k.savedAs.empty() ? std::vector<std::string>{} : std::vector<std::string>{k.savedAs});
        if (!k.savedAs.empty()) {
            EXPECT_EQ(platform::ReadWholeFile(save / k.savedAs), k.contents);
        }
        auto alerts = bob.ui.Texts("alert-modeless");
        if (k.alert.empty()) {
            EXPECT_TRUE(alerts.empty()) << alerts.front();
        } else {
            ASSERT_EQ(alerts.size(), 1u);
            EXPECT_NE(alerts.front().find(k.alert), std::string::npos) << alerts.front();
        }
        EXPECT_EQ(c.state.Downloads(), 0);
    }
}

// No base name, or one longer than a file name may be (any user can announce such a name): the
// download is refused with its alert, and nothing else happens.
TEST(Transfer, ANameWithoutAUsableBaseNameIsNotDownloaded) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c(ui, ClientOptions{profile.path()});
    c.state.EditSettings()->savePath = (profile.path() / "Downloads").string();
    const std::vector<std::string> names = {
        "dir\\..", "dir\\", "dir\\.", "", "1:\\1\\x\\" + std::string(300, 'n') + ".mp3", std::string(251, 'n')};
    for (const std::string& name : names) {
        StartDownload(c.transfers, name, "evil", 10);
        EnqueueDownload(c.transfers, name, "evil", 10, "h");
        EXPECT_TRUE(c.transfers.lists.Size(false) == 0) << name;
    }
    EXPECT_EQ(ui.Texts("alert-modeless").size(), 2 * names.size());
    EXPECT_EQ(c.state.Downloads(), 0);
    // The longest name that fits, with the partial file's ending, is taken.
    StartDownload(c.transfers, std::string(250, 'n'), "evil", 10);
    EXPECT_EQ(c.transfers.lists.Size(false), 1u);
}

// A firewalled uploader's push that the user cancels while it connects or waits for the
// downloader's consent pushes nothing.
TEST(Transfer, APushCancelledBeforeItsDataPhaseSendsNothing) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    fs::copy_file(test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr -t"), music.path() / "Music/Pushed.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .timeScale = kTransferTimeScale}};
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    const devserver::SharedFile file = server.SharedFilesOf("ann").front();
    Client& up = *ann.client;

    // The downloader's data port: it takes the connection and keeps its consent back.
    platform::Socket listener = platform::ListenTcp(0, true);
    const int port = platform::LocalPort(listener);
    ASSERT_TRUE(
        server.SendTo("ann", 501, "mallory 16777343 " + std::to_string(port) + " \"" + file.virtualName + "\" " + file.hash + " 3"));
    ASSERT_TRUE(test::RunUntil([&] { return platform::WaitReadable(listener.fd(), 0ms) == platform::WaitResult::Ready; }, 5s));
    platform::Socket peer(::accept(listener.fd(), nullptr, nullptr));
    ASSERT_TRUE(peer);
    CancelTransfers(up.transfers, true, {up.transfers.view.Rows(true).front().rowId});
    ASSERT_TRUE(platform::SendAllBlocking(peer.fd(), "1"));  // consent, too late
    EXPECT_TRUE(Ends(up, true, TransferState::Cancelled)) << Status(up, true);
    std::string got;
    char buf[4096];
    while (platform::WaitReadable(peer.fd(), 1s) == platform::WaitResult::Ready) {
        ssize_t n = ::recv(peer.fd(), buf, sizeof buf, 0);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, "") << "nothing is pushed";
    EXPECT_EQ(up.state.Uploads(), 0);
}

TEST(Transfer, AFirewalledUploaderPushesTheFile) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    const fs::path song = test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr -t");
    fs::copy_file(song, music.path() / "Music/Pushed.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .timeScale = kTransferTimeScale}};  // firewalled
    test::NetworkUser bob{server, "bob", {.dataPort = test::FreePort(), .timeScale = kTransferTimeScale}};
    ASSERT_TRUE(ann.GoOnline(server) && bob.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    const devserver::SharedFile file = server.SharedFilesOf("ann").front();

    StartDownload(bob.client->transfers, file.virtualName, "ann", file.size);
    ASSERT_TRUE(Ends(*bob.client, false, TransferState::Complete)) << Status(*bob.client, false);
    EXPECT_TRUE(Sent(server, "bob", 500));
    EXPECT_TRUE(Ends(*ann.client, true, TransferState::Complete));
    EXPECT_EQ(platform::ReadWholeFile(fs::path(bob.client->state.settings().savePath) / "Pushed.mp3"), platform::ReadWholeFile(song));
    EXPECT_TRUE(test::RunUntil([&] { return ann.client->state.Uploads() == 0 && bob.client->state.Downloads() == 0; }));
}

// (The other answer, "&Je ne suis pas protégé par un Firewall!", sets the data port to 6699 as the
// same answer to message 1200 does; the server session's tests cover it, and binding 6699 here too
// would make the two suites race for the port.)
TEST(Transfer, WhenBothAreFirewalledTheDownloaderIsAsked) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    fs::copy_file(test::EncodeMp3(music, "song", 1, 44100, "-b 128 --cbr -t"), music.path() / "Music/Walled.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .timeScale = kTransferTimeScale}};
    test::NetworkUser bob{server, "bob", {.timeScale = kTransferTimeScale}};
    ASSERT_TRUE(ann.GoOnline(server) && bob.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    const devserver::SharedFile file = server.SharedFilesOf("ann").front();
    StartDownload(bob.client->transfers, file.virtualName, "ann", file.size);
    ASSERT_TRUE(test::RunUntil([&] { return !bob.ui.Texts("both-firewalled-download").empty(); }));
    EXPECT_EQ(bob.ui.Texts("both-firewalled-download").front(), file.virtualName);
    EXPECT_TRUE(Ends(*bob.client, false, TransferState::Error));
    EXPECT_TRUE(Sent(server, "bob", 219));
    const auto frames = server.FramesFrom("bob");
    EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [](const auto& f) { return f.type == 500; }));
}

namespace {

std::vector<TransferState> States(Client& c) {
    auto lock = c.transfers.lists.Take(false);
    std::vector<TransferState> states;
    for (auto& r : c.transfers.lists.Of(lock, false)) states.push_back(r->state);
    return states;
}

std::vector<int> SlotFrames(devserver::DevServer& server, const std::string& user) {
    std::vector<int> t;
    for (const auto& f : server.FramesFrom(user)) {
        if (f.type == 218 || f.type == 219 || f.type == 203) t.push_back(f.type);
    }
    return t;
}

}  // namespace

TEST(TransferQueue, TwoSlotsForFiveDownloads) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n;
    for (int i = 1; i <= 4; ++i) fs::copy_file(n.song, n.music.path() / ("Music/Song " + std::to_string(i) + ".mp3"));
    ASSERT_TRUE(n.ann.GoOnline(n.server) && n.bob.GoOnline(n.server));
    ASSERT_TRUE(test::RunUntil([&] { return n.server.SharedFilesOf("ann").size() == 5; }));
    Client& bob = *n.bob.client;
    bob.state.EditSettings()->maxDownloads = 2;
    for (const auto& file : n.server.SharedFilesOf("ann")) {
        if (bob.state.Downloads() < bob.state.settings().maxDownloads) {
            StartDownload(bob.transfers, file.virtualName, "ann", file.size);
        } else {
            EnqueueDownload(bob.transfers, file.virtualName, "ann", file.size, file.hash);
        }
    }
    using S = TransferState;
    EXPECT_EQ(States(bob), (std::vector<S>{S::Connecting, S::Connecting, S::Queued, S::Queued, S::Queued}));
    EXPECT_EQ(bob.transfers.view.Rows(false)[2].cells[kStatusColumn], "Queued...");
    ASSERT_TRUE(test::RunUntil([&] { return States(bob) == std::vector<S>(5, S::Complete); }, 20s));
    // Each end hands its slot to the next waiting download (219, 218) until none waits.
    EXPECT_TRUE(Sent(n.server, "bob", 219));
    ASSERT_TRUE(test::RunUntil([&] { return SlotFrames(n.server, "bob").size() == 15; }));
    EXPECT_EQ(SlotFrames(n.server, "bob"), (std::vector<int>{218, 203, 218, 203, 219, 218, 203, 219, 218, 203, 219, 218, 203, 219, 219}));
    EXPECT_EQ(bob.state.Downloads(), 0);
}

TEST(TransferQueue, AFullRemoteQueuePassesTheSlotAndUnansweredRequestsTimeOut) {
    devserver::DevServer server;
    test::NetworkUser ann{server, "ann", {.timeScale = kTransferTimeScale}};  // firewalled, shares nothing
    test::NetworkUser cat{server, "cat", {.timeScale = kTransferTimeScale}};
    test::NetworkUser bob{server, "bob", {.dataPort = test::FreePort(), .timeScale = kTransferTimeScale}};
    ASSERT_TRUE(ann.GoOnline(server) && cat.GoOnline(server) && bob.GoOnline(server));
    Client& c = *bob.client;
    c.state.EditSettings()->maxDownloads = 1;
    StartDownload(c.transfers, "1:\\1\\f1.mp3", "ann", 100);
    EnqueueDownload(c.transfers, "1:\\1\\f2.mp3", "ann", 100, "h2");
    EnqueueDownload(c.transfers, "1:\\1\\f3.mp3", "cat", 100, "h3");
    // ann is firewalled: bob asks for a push that never comes.
    ASSERT_TRUE(Sent(server, "bob", 500));
    using S = TransferState;
    EXPECT_EQ(States(c), (std::vector<S>{S::Connecting, S::Queued, S::Queued}));

    const auto before = SlotFrames(server, "bob").size();
    ASSERT_TRUE(server.SendTo("bob", 620, "ann \"1:\\1\\f1.mp3\" 100 3"));
    ASSERT_TRUE(test::RunUntil([&] { return States(c) == std::vector<S>{S::RemotelyQueued, S::Queued, S::Connecting}; }));
    EXPECT_EQ(c.transfers.view.Rows(false)[0].cells[kStatusColumn], "Remotely Queued...");
    ASSERT_TRUE(test::RunUntil([&] { return SlotFrames(server, "bob").size() == before + 3; }));
    auto frames = SlotFrames(server, "bob");
    EXPECT_EQ(std::vector<int>(frames.begin() + static_cast<long>(before), frames.end()), (std::vector<int>{219, 218, 203}));
    EXPECT_EQ(server.FramesFrom("bob").back().payload.substr(0, 4), "cat ");

    // f3 waits for cat's push; five minutes later the next 214 fails it and the slot goes back to f1.
    ASSERT_TRUE(test::RunUntil([&] {
        auto frames = server.FramesFrom("bob");
        return std::count_if(frames.begin(), frames.end(), [](const auto& f) { return f.type == 500; }) == 2;
    }));
    {
        auto lock = c.transfers.lists.Take(false);
        c.transfers.lists.Of(lock, false).back()->requestTime -= 301;
    }
    ASSERT_TRUE(server.SendTo("bob", 214, "10 100 1000"));
    ASSERT_TRUE(test::RunUntil([&] { return States(c) == std::vector<S>{S::Connecting, S::Queued, S::Error}; }));
    EXPECT_EQ(c.transfers.view.Rows(false)[2].cells[kStatusColumn], "Timed out!");
    EXPECT_EQ(c.state.Downloads(), 1);
}

TEST(TransferQueue, MovesKeepTheRowsInQueueOrder) {
    struct Case {
        QueueMove move;
        std::vector<int> selected;  // positions, from 0
        std::vector<int> order;     // the files' numbers afterwards
        std::string alert;
    };
    const Case cases[] = {
        {QueueMove::Up, {2}, {0, 2, 1, 3}, ""},
        {QueueMove::Up, {0, 2}, {0, 2, 1, 3}, "File is already at the top of the queue!"},
        {QueueMove::Down, {1, 2}, {0, 3, 1, 2}, ""},
        {QueueMove::Down, {3}, {0, 1, 2, 3}, "File is already at the bottom of the queue!"},
        {QueueMove::Top, {2, 3}, {2, 3, 0, 1}, ""},
        {QueueMove::Bottom, {0, 1}, {2, 3, 0, 1}, ""},
        {QueueMove::Bottom, {0}, {1, 2, 3, 0}, ""},
        {QueueMove::Top, {0, 1, 2, 3}, {0, 1, 2, 3}, ""},  // everything selected: nothing moves
    };
    for (const Case& k : cases) {
        test::TestProfile profile;
        test::ScriptedUi ui;
        Client c(ui, ClientOptions{profile.path()});
        c.state.EditSettings()->savePath = (profile.path() / "Downloads").string();
        for (int i = 0; i < 4; ++i) EnqueueDownload(c.transfers, "1:\\1\\f" + std::to_string(i) + ".mp3", "ann", 10, "h");
        std::vector<std::uint32_t> ids;
        for (int at : k.selected) ids.push_back(c.transfers.view.Rows(false)[static_cast<std::size_t>(at)].rowId);
        MoveInQueue(c.transfers, k.move, ids);
        std::vector<int> order, rows;
        {
            auto lock = c.transfers.lists.Take(false);
            for (auto& r : c.transfers.lists.Of(lock, false)) order.push_back(r->remoteName[6] - '0');
        }
        for (auto& row : c.transfers.view.Rows(false)) rows.push_back(row.cells[kNameColumn][1] - '0');
        EXPECT_EQ(order, k.order);
        EXPECT_EQ(rows, k.order);
        EXPECT_EQ(ui.Texts("alert"), k.alert.empty() ? std::vector<std::string>{} : std::vector<std::string>{k.alert});
    }
}

// A download that is to overwrite a file the user has is written beside it: cancelled, it leaves
// the old file as it was and its own partial file.
TEST(Transfer, CancelAndDeleteStopARunningDownload) {
    for (bool remove : {false, true}) {
        Downloader bob;
        Client& c = bob.c;
        const fs::path& save = bob.save;
        c.state.EditSettings()->partialAction = 1;
        ASSERT_TRUE(platform::WriteFileAtomically(save / "slow.mp3", "the user's own file", save / "tmp"));
        bob.ui.existingFileAnswers.push_back({test::ScriptedUi::ExistingFile::Overwrite, ""});
        test::FakeUploader slow({.reply = "1000abc", .hold = 3s});
        bob.From(slow, "evil", "slow.mp3", 1000);
        ASSERT_TRUE(Ends(c, false, TransferState::Transferring));
        ASSERT_TRUE(test::RunUntil([&] { return platform::ReadWholeFile(save / "slow.mp3.part") == "abc"; }));
        const std::uint32_t id = c.transfers.view.Rows(false).front().rowId;
        // While the worker runs the row stays; the worker ends it within a second.
        (remove ? DeleteTransfers : CancelTransfers)(c.transfers, false, {id});
        EXPECT_EQ(c.transfers.view.Rows(false).size(), 1u);
        if (remove) {
            EXPECT_TRUE(test::RunUntil([&] { return c.transfers.view.Rows(false).empty() && c.transfers.lists.Size(false) == 0; }, 5s));
        } else {
            EXPECT_TRUE(Ends(c, false, TransferState::Cancelled));
            EXPECT_EQ(Status(c, false), "Annulé ! ");
        }
        // Kept for a later resume (PartialAction 1): under the file's own name in "Incomplete".
        EXPECT_EQ(platform::ReadWholeFile(bob.profile.path() / "Incomplete/slow.mp3"), "abc");
        EXPECT_FALSE(fs::exists(save / "slow.mp3.part"));
        EXPECT_EQ(platform::ReadWholeFile(save / "slow.mp3"), "the user's own file");
        // The worker gives its slot back as it ends, just after it shows the new state.
        EXPECT_TRUE(test::RunUntil([&] { return c.state.Downloads() == 0; }, 5s));
    }
}

TEST(Transfer, UploadRequestsRespectTheLimitPerUser) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n;
    ASSERT_TRUE(n.Online());
    Client& ann = *n.ann.client;
    const std::string name = n.Shared().virtualName;
    auto framesOf = [&](int type) {
        std::vector<std::string> payloads;
        for (const auto& f : n.server.FramesFrom("ann")) {
            if (f.type == type) payloads.push_back(f.payload);
        }
        return payloads;
    };
    // With MaxUploads 0 the file server is off.
    ann.state.EditSettings()->maxUploads = 0;
    ASSERT_TRUE(n.server.SendTo("ann", 607, "bob \"" + name + "\" 3"));
    ASSERT_TRUE(test::RunUntil([&] { return framesOf(619).size() == 1; }));
    EXPECT_EQ(framesOf(619).front(), "bob \"" + name + "\" 0");

    // One upload for bob: the request without a line speed asks for it (600, then 608); the
    // server's 601 fills the row's speed.
    ann.state.EditSettings()->maxUploads = 1;
    ASSERT_TRUE(n.server.SendTo("ann", 607, "bob \"" + name + "\""));
    ASSERT_TRUE(test::RunUntil([&] { return framesOf(608).size() == 1; }));
    EXPECT_EQ(framesOf(600), std::vector<std::string>{"bob"});
    ASSERT_TRUE(test::RunUntil([&] {
        return ann.transfers.view.Rows(true).size() == 1 && ann.transfers.view.Rows(true)[0].cells[kSpeedColumn] == "T3";
    })) << ann.transfers.view.Rows(true)[0].cells[kSpeedColumn];
    // A second request while the first waits: refused; once the first waited six minutes it gives
    // its place up.
    ASSERT_TRUE(n.server.SendTo("ann", 607, "bob \"" + name + "\" 10"));
    ASSERT_TRUE(test::RunUntil([&] { return framesOf(619).size() == 2; }));
    {
        auto lock = ann.transfers.lists.Take(true);
        Only(ann, lock, true)->requestTime -= 360;
    }
    ASSERT_TRUE(n.server.SendTo("ann", 607, "bob \"" + name + "\" 10"));
    ASSERT_TRUE(test::RunUntil([&] { return framesOf(608).size() == 2; }));
    EXPECT_EQ(StateOf(ann, true), TransferState::Connecting);  // the same record, waiting again
    EXPECT_EQ(ann.state.Uploads(), 0);                         // a waiting upload holds no slot

    // An offset counted from the first frame.
    const std::string local = (n.music.path() / "Music/Blue Rock.mp3").string();
    const std::string file = *platform::ReadWholeFile(n.song);
    const std::size_t start = library::AudioDataStart(local) + 1000;
    const std::string got = AskDataPort(ann.state.account().dataPort, {"GET", "bob \"" + name + "\" 1000c"});
    EXPECT_EQ(got, std::to_string(file.size()) + file.substr(start));
}

TEST(Transfer, AFileThatIsThereAlreadyIsOverwrittenRenamedOrKept) {
    struct Case {
        std::vector<UiPort::ExistingFile> answers;
        TransferState end;
        std::map<std::string, std::string> files;  // the save folder afterwards
        std::vector<std::string> alerts;
    };
    using E = UiPort::ExistingFile;
    const Case cases[] = {
        {{{E::Overwrite, {}}}, TransferState::Complete, {{"song.mp3", "new!"}, {"taken.mp3", "other"}}, {}},
        {{{E::Rename, "taken.mp3"}, {E::Rename, "fresh.mp3"}},
         TransferState::Complete,
         {{"song.mp3", "old"}, {"taken.mp3", "other"}, {"fresh.mp3", "new!"}},
         {"File 'taken.mp3' already exists. Choose another name!"}},
        {{{E::Cancel, {}}}, TransferState::Cancelled, {{"song.mp3", "old"}, {"taken.mp3", "other"}}, {}},
    };
    for (const Case& k : cases) {
        Downloader bob;
        Client& c = bob.c;
        const fs::path& save = bob.save;
        test::ScriptedUi& ui = bob.ui;
        platform::WriteFileAtomically(save / "song.mp3", "old");
        platform::WriteFileAtomically(save / "taken.mp3", "other");
        ui.existingFileAnswers.assign(k.answers.begin(), k.answers.end());
        test::FakeUploader peer({.reply = "4new!"});
        bob.From(peer, "kim", "1:\\1\\song.mp3", 4);
        EXPECT_TRUE(Ends(c, false, k.end));
        EXPECT_EQ(ui.Texts("existing-file").front(), "song.mp3");
        if (k.end == TransferState::Cancelled) {
            platform::Socket unblock;  // the fake uploader waits for a connection that never comes
            platform::ConnectBlocking({0x7F000001, static_cast<std::uint16_t>(peer.Port())}, 1s, unblock);
        }
        peer.Join();
        std::map<std::string, std::string> files;
        for (const auto& e : fs::directory_iterator(save)) files[e.path().filename().string()] = *platform::ReadWholeFile(e.path());
        EXPECT_EQ(files, k.files);
        EXPECT_EQ(ui.Texts("alert"), k.alerts);
    }
}

TEST(TransferQueue, ALoginCountsTheSlotsAgainAndForceStartsAWaitingDownload) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c(ui, ClientOptions{profile.path()});
    c.state.EditSettings()->savePath = (profile.path() / "Downloads").string();
    c.state.EditSettings()->maxDownloads = 2;
    for (int i = 0; i < 4; ++i) EnqueueDownload(c.transfers, "1:\\1\\f" + std::to_string(i) + ".mp3", "ann", 10, "h");
    using S = TransferState;
    {
        auto lock = c.transfers.lists.Take(false);
        auto it = c.transfers.lists.Of(lock, false).begin();
        SetTransferState(c.transfers, lock, **it, S::Transferring);  // still running across the reconnection
        SetTransferState(c.transfers, lock, **++it, S::Connecting);  // asked before the connection went
    }
    c.state.downloads = 5;  // whatever it was
    RestartTransfersAfterLogin(c.transfers);
    EXPECT_EQ(States(c), (std::vector<S>{S::Transferring, S::Error, S::Connecting, S::Queued}));
    EXPECT_EQ(c.state.Downloads(), 2);
    EXPECT_EQ(c.transfers.view.Info().first, "Inbound Transfers:    2");
    ForceTransfer(c.transfers, {c.transfers.view.Rows(false)[3].rowId});
    EXPECT_EQ(States(c), (std::vector<S>{S::Transferring, S::Error, S::Connecting, S::Connecting}));
    EXPECT_EQ(c.state.Downloads(), 3);  // the limit is not checked
}

TEST(Transfer, TheLastUploadEndsTheProgramWhenTheUserAskedToLeaveAfterIt) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c(ui, ClientOptions{profile.path()});
    bool exited = false;
    QObject::connect(&c, &Client::exitRequested, &c, [&](int) { exited = true; });
    c.state.uploads = 2;
    c.state.exitAfterUploads = true;
    ReleaseUploadSlot(c.transfers);
    EXPECT_FALSE(test::RunUntil([&] { return exited; }, 200ms));
    ReleaseUploadSlot(c.transfers);
    EXPECT_TRUE(test::RunUntil([&] { return exited; }));
    EXPECT_EQ(c.transfers.view.Info().second, "Outbound Transfers:    0");
}

TEST(Transfer, APeerThatLeavesMidFileOrPushesWhatWasNotAskedForCostsNothingElse) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    // Long enough (about a megabyte) not to fit in the sockets' buffers.
    fs::copy_file(test::EncodeMp3(music, "long", 60, 44100, "-b 128 --cbr -t"), music.path() / "Music/Long.mp3");
    test::NetworkUser ann{
        server, "ann", {.folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort(), .timeScale = kTransferTimeScale}};
    test::NetworkUser bob{server, "bob", {.dataPort = test::FreePort(), .timeScale = kTransferTimeScale}};
    ASSERT_TRUE(ann.GoOnline(server) && bob.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    const std::string name = server.SharedFilesOf("ann").front().virtualName;
    Client& up = *ann.client;

    // Accepted, then the requester reads a little and goes.
    ASSERT_TRUE(server.SendTo("ann", 607, "mallory \"" + name + "\" 3"));
    ASSERT_TRUE(test::RunUntil([&] { return up.transfers.lists.Size(true) == 1; }));
    {
        platform::Socket s;
        ASSERT_EQ(platform::ConnectBlocking({0x7F000001, static_cast<std::uint16_t>(up.state.account().dataPort)}, 2s, s),
                  platform::ConnectResult::Connected);
        int small = 4096;
        ::setsockopt(s.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        platform::SendAllBlocking(s.fd(), "GET");
        std::this_thread::sleep_for(20ms);
        platform::SendAllBlocking(s.fd(), "mallory \"" + name + "\" 0");
        char buf[1000];
        ASSERT_EQ(platform::WaitReadable(s.fd(), 5s), platform::WaitResult::Ready);
        ASSERT_GT(::recv(s.fd(), buf, sizeof buf, 0), 0);
    }
    EXPECT_TRUE(Ends(up, true, TransferState::Error)) << Status(up, true);
    EXPECT_TRUE(test::RunUntil([&] { return up.state.Uploads() == 0; }));

    // A requester that stops reading holds nothing for ever: "Annuler" ends the upload while its
    // send waits, and so does the end of the client.
    ClearFinishedTransfers(up.transfers);
    auto stalledRequester = [&] {
        EXPECT_TRUE(server.SendTo("ann", 607, "mallory \"" + name + "\" 3"));
        EXPECT_TRUE(test::RunUntil([&] { return up.transfers.lists.Size(true) == 1; }));
        auto s = std::make_unique<platform::Socket>();
        EXPECT_EQ(platform::ConnectBlocking({0x7F000001, static_cast<std::uint16_t>(up.state.account().dataPort)}, 2s, *s),
                  platform::ConnectResult::Connected);
        int small = 4096;
        ::setsockopt(s->fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        platform::SendAllBlocking(s->fd(), "GET");
        std::this_thread::sleep_for(20ms);
        platform::SendAllBlocking(s->fd(), "mallory \"" + name + "\" 0");
        EXPECT_TRUE(Ends(up, true, TransferState::Transferring));
        return s;  // read no more, and stay connected
    };
    {
        auto requester = stalledRequester();
        std::this_thread::sleep_for(300ms);  // the upload's send is now waiting on the full socket
        CancelTransfers(up.transfers, true, {up.transfers.view.Rows(true).front().rowId});
        EXPECT_TRUE(Ends(up, true, TransferState::Cancelled)) << Status(up, true);
        EXPECT_TRUE(test::RunUntil([&] { return up.state.Uploads() == 0; }));
    }
    ClearFinishedTransfers(up.transfers);
    {
        auto requester = stalledRequester();
        std::this_thread::sleep_for(300ms);
        ann.client.reset();  // returns: a hang here is the fault (the test runner's time-out reports it)
    }

    // A push to bob that bob never asked for, under names that would climb out of his save folder.
    const fs::path save = bob.client->state.settings().savePath;
    for (const std::string line :
         {"evil \"..\\..\\..\\escaped.mp3\" 10", "evil \"../../escaped.mp3\" 10", "evil \"/tmp/escaped.mp3\" 10"}) {
        EXPECT_EQ(AskDataPort(bob.client->state.account().dataPort, {"SEND", line}), "FILE NOT REQUESTED") << line;
    }
    EXPECT_EQ(AskDataPort(bob.client->state.account().dataPort, {"SEND", "evil \"x.mp3\""}), "INVALID REQUEST");  // no size
    EXPECT_FALSE(fs::exists(save.parent_path().parent_path() / "escaped.mp3"));
    EXPECT_FALSE(fs::exists("/tmp/escaped.mp3"));
    EXPECT_TRUE(fs::is_empty(save));
}

// Names Windows-1252 cannot hold go out as UTF-8, and a name whose bytes are not UTF-8 (made on
// another system) as its Windows-1252 reading: either way the name a peer asks for is the name
// that was announced, so each file is found and arrives whole.
TEST(Transfer, NamesTheWireCodePageCannotHoldAreFoundAndDownloaded) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    const struct {
        std::string onDisk, seen, word;
    } cases[] = {
        {"Москва.mp3", "Москва.mp3", "Москва"},
        {"Ελλάδα.mp3", "Ελλάδα.mp3", "Ελλάδα"},
        {"東京.mp3", "東京.mp3", "東京"},
        {"łódź.mp3", "łódź.mp3", "łódź"},
        {"řeka.mp3", "řeka.mp3", "řeka"},
        {"Cafe\xcc\x81 noir.mp3", "Cafe\xcc\x81 noir.mp3", "noir"},  // a decomposed accent
        {"caf\xe9 latin.mp3", "café latin.mp3", "latin"},            // not UTF-8 on disk
        {"Café crème.mp3", "Café crème.mp3", "crème"},
    };
    Network n;
    for (const auto& c : cases) fs::copy_file(n.song, n.music.path() / "Music" / c.onDisk);
    ASSERT_TRUE(n.ann.GoOnline(n.server) && n.bob.GoOnline(n.server));
    ASSERT_TRUE(test::RunUntil([&] { return n.server.SharedFilesOf("ann").size() == std::size(cases) + 1; }));
    // What Windows-1252 holds still goes in its bytes.
    auto shares = n.server.FramesFrom("ann");
    EXPECT_TRUE(std::any_of(shares.begin(), shares.end(),
                            [](auto& f) { return f.type == 870 && f.payload.find("Caf\xe9 cr\xe8me.mp3") != std::string::npos; }));

    Client& bob = *n.bob.client;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seen);
        search::SearchButton(bob.search, {.artist = c.word});
        ASSERT_TRUE(test::RunUntil([&] { return bob.search.Idle() && bob.search.Snapshot().info.starts_with("Returned"); }));
        auto v = bob.search.Snapshot();
        ASSERT_EQ(v.rows.size(), 1u) << v.info;
        EXPECT_EQ(v.rows[0].name, "Music\\" + c.seen);
        const search::SearchResult& result = v.results[v.rows[0].result];
        StartDownload(bob.transfers, result.fileName, "ann", result.size);
        const fs::path got = fs::path(bob.state.settings().savePath) / c.seen;
        ASSERT_TRUE(test::RunUntil([&] { return fs::exists(got) && !fs::exists(got.string() + ".part"); }, 15s)) << Status(bob, false);
        EXPECT_EQ(platform::ReadWholeFile(got), platform::ReadWholeFile(n.song));
    }
}

// Both firewalled, the user says they are not: once a data port listens (6699 when it is free,
// else the one the user sets afterwards) the download is asked for again and the uploader pushes it.
TEST(Transfer, ADownloadBlockedByTwoFirewallsIsAskedForAgainOnceAPortListens) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    const fs::path song = test::EncodeMp3(music, "song", 1, 44100, "-b 128 --cbr -t");
    fs::copy_file(song, music.path() / "Music/Walled.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .timeScale = kTransferTimeScale}};
    test::NetworkUser bob{server, "bob", {.timeScale = kTransferTimeScale}};
    bob.ui.notFirewalledAnswer = true;
    ASSERT_TRUE(ann.GoOnline(server) && bob.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    const devserver::SharedFile file = server.SharedFilesOf("ann").front();
    StartDownload(bob.client->transfers, file.virtualName, "ann", file.size);
    ASSERT_TRUE(test::RunUntil([&] { return !bob.ui.Texts("both-firewalled-download").empty(); }));
    SetDataPort(bob.client->transfers, test::FreePort());  // as from the data-port settings
    ASSERT_TRUE(Ends(*bob.client, false, TransferState::Complete)) << Status(*bob.client, false);
    EXPECT_EQ(platform::ReadWholeFile(fs::path(bob.client->state.settings().savePath) / "Walled.mp3"), platform::ReadWholeFile(song));
    const auto frames = server.FramesFrom("bob");
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const auto& f) { return f.type == 203; }), 2);
}
