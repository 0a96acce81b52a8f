// Browsing another user's files with devserver and real clients: the direct exchange both ways,
// the fall-back to the server's list, a download from the browsed list, and peers that send lists
// nobody should trust.

#include "browse/browse.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "browse/browse_actions.h"
#include "browse/list_exchange.h"
#include "chat/hot_list.h"
#include "devserver/dev_server.h"
#include "platform/atomic_file.h"
#include "support/child_process.h"
#include "support/media_fixtures.h"
#include "support/network_user.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kLoopback = 16777343;  // 127.0.0.1 as the server writes addresses

bool Sent(const devserver::DevServer& server, const std::string& user, int type) {
    for (const auto& f : server.FramesFrom(user)) {
        if (f.type == type) return true;
    }
    return false;
}

std::vector<int> BrowseFrames(const devserver::DevServer& server, const std::string& user) {
    std::vector<int> types;
    for (const auto& f : server.FramesFrom(user)) {
        if (f.type == 211 || f.type == 626 || (f.type >= 640 && f.type <= 642)) types.push_back(f.type);
    }
    return types;
}

std::vector<std::string> Names(browse::Browse& b) {
    std::vector<std::string> names;
    for (const auto& r : *b.view.Records()) names.push_back(r.name);
    std::sort(names.begin(), names.end());
    return names;
}

// Every status text the view showed, in order.
struct StatusLog {
    explicit StatusLog(browse::Browse& b) : browse(b) {
        QObject::connect(&b.view, &browse::BrowseView::changed, [this] {
            std::string status = browse.view.Status();
            std::scoped_lock held(lock);
            if (!status.empty()) texts.push_back(status);
        });
    }
    std::vector<std::string> Texts() {
        std::scoped_lock held(lock);
        return texts;
    }
    browse::Browse& browse;
    std::mutex lock;
    std::vector<std::string> texts;
};

// devserver, a sharer ("ann", three files in two folders) and a requester ("rob").
struct Network {
    explicit Network(bool annReachable, bool robReachable, devserver::DevServerOptions options = {}, double robScale = 1.0)
        : server(options) {
        EXPECT_TRUE(server.Ok());
        fs::create_directories(music.path() / "Music/Rock");
        fs::create_directories(music.path() / "Music/Jazz");
        song = test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr");
        fs::copy_file(song, music.path() / "Music/Rock/Blue Rock.mp3");
        fs::copy_file(song, music.path() / "Music/Rock/Red Rock.mp3");
        fs::copy_file(song, music.path() / "Music/Jazz/So What.mp3");
        ann = std::make_unique<test::NetworkUser>(server, "ann",
                                                  test::NetworkUser::Options{.lineSpeed = 8,
                                                                             .folders = {(music.path() / "Music").string()},
                                                                             .dataPort = annReachable ? test::FreePort() : 0,
                                                                             .timeScale = 0.05});
        rob = std::make_unique<test::NetworkUser>(
            server, "rob",
            test::NetworkUser::Options{.lineSpeed = 10, .dataPort = robReachable ? test::FreePort() : 0, .timeScale = robScale});
    }
    bool Online() {
        return ann->GoOnline(server) && rob->GoOnline(server) && test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 3; });
    }
    browse::Browse& Rob() { return rob->client->browse; }
    bool Shown(std::size_t files) {
        return test::RunUntil([&] { return Rob().view.Records()->size() == files; }, 15s);
    }

    devserver::DevServer server;
    test::TestProfile music;
    fs::path song;
    std::unique_ptr<test::NetworkUser> ann, rob;
};

const std::vector<std::string> kAnnFiles = {"1:\\1\\Jazz\\So What.mp3", "2:\\2\\Rock\\Blue Rock.mp3", "2:\\2\\Rock\\Red Rock.mp3"};

// The virtual names as ann announced them (folder numbers are hers to choose).
std::vector<std::string> AnnouncedNames(const devserver::DevServer& server) {
    std::vector<std::string> names;
    for (const auto& f : server.SharedFilesOf("ann")) names.push_back(f.virtualName);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Browse, DirectFromAReachableUserOverGetList) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n(true, false);
    ASSERT_TRUE(n.Online());
    StatusLog log(n.Rob());
    std::vector<int> pages;
    QObject::connect(&n.rob->client->main, &MainViewModel::pageRequested, [&](int page, bool) { pages.push_back(page); });

    browse::ViewFiles(n.Rob(), "ANN");
    EXPECT_EQ(pages, std::vector<int>{MainViewModel::HotListPage});
    EXPECT_EQ(n.rob->client->hotList.UserField(), "ANN");
    ASSERT_TRUE(n.Shown(3));
    EXPECT_EQ(Names(n.Rob()), AnnouncedNames(n.server));
    const auto& first = n.Rob().view.Records()->front();
    EXPECT_EQ(first.size, fs::file_size(n.song));
    EXPECT_EQ(first.bitrate, 128);
    EXPECT_EQ(first.frequency, 44100);
    EXPECT_EQ(log.Texts().front(), "Populating list for user: ANN ...");
    // ann accepted (641) and rob fetched the list himself: the server's list was never asked for.
    EXPECT_EQ(BrowseFrames(n.server, "rob"), std::vector<int>{640});
    EXPECT_EQ(BrowseFrames(n.server, "ann"), std::vector<int>{641});
    EXPECT_FALSE(n.Rob().TimerActive());
    // The information line: the whole count, the size in megabytes, and a ping (or N/A).
    ASSERT_TRUE(test::RunUntil(
        [&] { return n.rob->client->hotList.InfoView().PlainText().toStdString().find("Total Files:   3") != std::string::npos; }));
    EXPECT_NE(n.rob->client->hotList.InfoView().PlainText().toStdString().find("User:   ann"), std::string::npos)
        << n.rob->client->hotList.InfoView().PlainText().toStdString();
    EXPECT_NE(n.rob->client->hotList.InfoView().PlainText().toStdString().find("File Data:   0 megs"), std::string::npos);
}

TEST(Browse, AFirewalledUserPushesTheListWithSendList) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n(false, true);
    ASSERT_TRUE(n.Online());
    browse::ViewFiles(n.Rob(), "ann");
    ASSERT_TRUE(n.Shown(3));
    EXPECT_EQ(Names(n.Rob()), AnnouncedNames(n.server));
    // ann was told where rob waits and connected herself: no 641 from her, no 211 from rob.
    EXPECT_EQ(BrowseFrames(n.server, "rob"), std::vector<int>{640});
    EXPECT_EQ(BrowseFrames(n.server, "ann"), std::vector<int>{});
    // The timer stopped with the list: it never replaces the direct list with the server's.
    EXPECT_TRUE(test::RunUntil([&] { return !n.Rob().TimerActive(); }));
}

TEST(Browse, FallsBackToTheServerWhenNoDirectAnswerComes) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    // A server that never answers 640; the 20-second wait lasts one second here.
    Network n(true, false, {.directBrowse = false}, 0.05);
    ASSERT_TRUE(n.Online());
    StatusLog log(n.Rob());
    browse::ViewFiles(n.Rob(), "ann");
    ASSERT_TRUE(n.Shown(3));
    EXPECT_EQ(Names(n.Rob()), AnnouncedNames(n.server));
    EXPECT_EQ(log.Texts(),
              (std::vector<std::string>{"Populating list for user: ann ...", "Direct browse failed. Requesting from server..."}));
    EXPECT_EQ(BrowseFrames(n.server, "rob"), (std::vector<int>{640, 211}));
    EXPECT_FALSE(n.Rob().Pending());
}

TEST(Browse, FallsBackToTheServerAt642WithoutWaiting) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    // Both firewalled: the server answers 642. The timer (20 s for real here) is not waited for.
    Network n(false, false);
    ASSERT_TRUE(n.Online());
    browse::ViewFiles(n.Rob(), "ann");
    ASSERT_TRUE(n.Shown(3));
    EXPECT_EQ(BrowseFrames(n.server, "rob"), (std::vector<int>{640, 211}));
    EXPECT_FALSE(n.Rob().TimerActive());

    // A user who shares nothing, through the server too.
    browse::ViewFiles(n.Rob(), "rob");
    ASSERT_TRUE(test::RunUntil([&] { return n.Rob().view.Status() == "No Files Shared."; }));
    ASSERT_TRUE(test::RunUntil(
        [&] { return n.rob->client->hotList.InfoView().PlainText().toStdString().find("Ping:   N/A") != std::string::npos; }));
    EXPECT_NE(n.rob->client->hotList.InfoView().PlainText().toStdString().find("Total Files:   0             File Data:   0 megs"),
              std::string::npos);
}

TEST(Browse, ADownloadStartedFromTheBrowsedList) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n(true, false, {}, 0.05);
    ASSERT_TRUE(n.Online());
    browse::ViewFiles(n.Rob(), "ann");
    ASSERT_TRUE(n.Shown(3));
    std::size_t row = 0;
    auto records = n.Rob().view.Records();
    while (row < records->size() && (*records)[row].name.find("Blue Rock") == std::string::npos) ++row;
    ASSERT_LT(row, records->size());
    browse::DownloadBrowsed(n.Rob(), {row, 99});  // a row beyond the list is ignored
    Client& rob = *n.rob->client;
    ASSERT_TRUE(test::RunUntil(
        [&] {
            auto lock = rob.transfers.lists.Take(false);
            auto& list = rob.transfers.lists.Of(lock, false);
            return list.size() == 1 && list.front()->state == transfer::TransferState::Complete;
        },
        20s));
    const fs::path got = fs::path(rob.state.settings().savePath) / "Blue Rock.mp3";
    EXPECT_EQ(platform::ReadWholeFile(got), platform::ReadWholeFile(n.song));
}

TEST(Browse, TheServedListHoldsOnlyAnnouncedFilesUnderVirtualNames) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n(true, false);
    ASSERT_TRUE(n.Online());
    const std::string text = browse::OwnListText(n.ann->client->browse);
    const std::string folder = (n.music.path() / "Music").string();
    EXPECT_EQ(text.find(folder), std::string::npos) << text;
    EXPECT_EQ(text.find('/'), std::string::npos) << "no local path in " << text;
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.front(), "ann");
    EXPECT_EQ(lines.back(), "");
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 1999u);
        auto entry = protocol::ParseListShareLine(lines[i]);
        ASSERT_TRUE(entry) << lines[i];
        EXPECT_TRUE(n.server.SharedFilesOf("ann").end() !=
                    std::find_if(n.server.SharedFilesOf("ann").begin(), n.server.SharedFilesOf("ann").end(),
                                 [&](const devserver::SharedFile& f) { return f.virtualName == entry->name && f.hash == entry->hash; }))
            << lines[i];
    }

    // The same bytes over the data port, to anyone who asks with "GETLIST".
    platform::Socket s;
    const auto port = static_cast<std::uint16_t>(n.ann->client->state.account().dataPort);
    ASSERT_EQ(platform::ConnectBlocking({0x7F000001, port}, 2s, s), platform::ConnectResult::Connected);
    ASSERT_TRUE(platform::SendAllBlocking(s.fd(), "GETLIST"));
    std::string got;
    char buf[4096];
    while (platform::WaitReadable(s.fd(), 5s) == platform::WaitResult::Ready) {
        ssize_t r = ::recv(s.fd(), buf, sizeof buf, 0);
        if (r <= 0) break;
        got.append(buf, static_cast<std::size_t>(r));
    }
    EXPECT_EQ(got, "1" + text);

    // Sharing switched off: nothing is announced, so nothing is listed.
    {
        std::scoped_lock held(n.ann->client->library.sharedList.lock);
        for (auto& r : n.ann->client->library.sharedList.records()) r.announced = false;
    }
    EXPECT_EQ(browse::OwnListText(n.ann->client->browse), "ann\n\n");
}

namespace {

// The browsed side as a hostile peer plays it: greets, reads "GETLIST", sends `list`, closes.
class FakeBrowsed {
public:
    explicit FakeBrowsed(std::string list) : socket_(platform::ListenTcp(0, true)), port_(platform::LocalPort(socket_)) {
        thread_ = std::jthread([this, list = std::move(list)] {
            if (platform::WaitReadable(socket_.fd(), 10s) != platform::WaitResult::Ready) return;
            platform::Socket peer(::accept4(socket_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!peer || !platform::SendAllBlocking(peer.fd(), "1")) return;
            char command[7];
            std::size_t got = 0;
            while (got < sizeof command && platform::WaitReadable(peer.fd(), 5s) == platform::WaitResult::Ready) {
                ssize_t r = ::recv(peer.fd(), command + got, sizeof command - got, 0);
                if (r <= 0) return;
                got += static_cast<std::size_t>(r);
            }
            {
                std::scoped_lock held(lock_);
                command_.assign(command, got);
            }
            platform::SendAllBlocking(peer.fd(), list);
            std::scoped_lock held(lock_);
            served_ = true;
        });
    }
    int Port() const { return port_; }
    // The list went out.
    bool Served() {
        std::scoped_lock held(lock_);
        return served_;
    }
    std::string Command() {
        thread_.join();
        std::scoped_lock held(lock_);
        return command_;
    }

private:
    platform::Socket socket_;
    int port_;
    std::mutex lock_;
    std::string command_;
    bool served_ = false;
    std::jthread thread_;
};

std::string Line(const std::string& name, int size = 1000) {
    return "\"" + name + "\" 0123456789abcdef0123456789abcdef-1000 " + std::to_string(size) + " 128 44100 60\n";
}

}  // namespace

TEST(Browse, HostileListsNeverCrashAndNeverLeaveTheirLimits) {
    std::string manyLines = "ghost\n";
    for (int i = 0; i < 20000; ++i) manyLines += Line("1:\\1\\a\\song " + std::to_string(i) + ".mp3");
    manyLines += "\n";
    struct Case {
        std::string what;
        std::string list;
        std::size_t records;
        std::vector<std::string> names;  // the first records' names
    } cases[] = {
        {"an overlong line is cut at 4095 characters and dropped as no share line",
         "ghost\n" + Line(std::string(6000, 'x')) + Line("1:\\1\\a\\b.mp3") + "\n",
         1,
         {"1:\\1\\a\\b.mp3"}},
        {"an overlong line without any line end costs no more than 4095 characters",
         "ghost\n" + Line("1:\\1\\a\\b.mp3") + std::string(3 * 1024 * 1024, 'y'),
         1,
         {"1:\\1\\a\\b.mp3"}},
        {"the last line without its line end is not taken",
         "ghost\n" + Line("1:\\1\\a\\b.mp3") + Line("1:\\1\\a\\c.mp3").substr(0, 30),
         1,
         {"1:\\1\\a\\b.mp3"}},
        {"binary lines: what has no share line's fields is dropped, a name in another code page is read as text",
         "ghost\r\n" + std::string("\x01\x02\xff\x00\x7f\x80", 6) + "\n" + Line("1:\\1\\a\\caf\xe9.mp3") + "\n",
         1,
         {"1:\\1\\a\\caf\xc3\xa9.mp3"}},
        {"twenty thousand lines", manyLines, 20000, {"1:\\1\\a\\song 0.mp3"}},
    };
    devserver::DevServer server({.directBrowse = false});
    ASSERT_TRUE(server.Ok());
    test::NetworkUser rob(server, "rob", test::NetworkUser::Options{.timeScale = 1.0});
    ASSERT_TRUE(rob.GoOnline(server));
    browse::Browse& b = rob.client->browse;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeBrowsed fake(c.list);
        browse::ViewFiles(b, "ghost");
        ASSERT_TRUE(server.SendTo("rob", 641, "ghost " + std::to_string(kLoopback) + " " + std::to_string(fake.Port())));
        // The view changes once the list is whole (the browse is finished just before).
        ASSERT_TRUE(test::RunUntil([&] { return !b.view.Records()->empty(); }, 20s));
        EXPECT_FALSE(b.Wants("ghost"));
        EXPECT_EQ(fake.Command(), "GETLIST");
        auto records = b.view.Records();
        ASSERT_EQ(records->size(), c.records);
        for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ((*records)[i].name, c.names[i]);
        for (const auto& r : *records) EXPECT_LE(r.name.size(), protocol::kFileNameWidth);
    }

    // A list that names another user than the browsed one is dropped whole, and leaves the browse
    // waiting for the right one.
    {
        FakeBrowsed fake("mallory\n" + Line("1:\\1\\evil.mp3") + "\n");
        browse::ViewFiles(b, "ghost");
        ASSERT_TRUE(server.SendTo("rob", 641, "ghost " + std::to_string(kLoopback) + " " + std::to_string(fake.Port())));
        ASSERT_TRUE(test::RunUntil([&] { return fake.Served(); }));
        EXPECT_EQ(fake.Command(), "GETLIST");
        EXPECT_FALSE(test::RunUntil([&] { return !b.view.Records()->empty(); }, 300ms));
        EXPECT_EQ(b.view.Status(), "Populating list for user: ghost ...");
        EXPECT_TRUE(b.Wants("ghost"));
    }

    // 641 for a port where nobody listens: 626 and the text, and no fall-back on the timer.
    {
        browse::ViewFiles(b, "ghost");
        ASSERT_TRUE(server.SendTo("rob", 641, "ghost " + std::to_string(kLoopback) + " " + std::to_string(test::FreePort())));
        ASSERT_TRUE(test::RunUntil([&] { return b.view.Status() == "User is not properly configured."; }));
        EXPECT_TRUE(test::RunUntil([&] { return Sent(server, "rob", 626); }));
        EXPECT_FALSE(b.TimerActive()) << "641 stopped the timer: a failed direct browse does not fall back by itself";
        EXPECT_FALSE(Sent(server, "rob", 211));
        // The browse stays pending after 641: the server's word that it cannot be done still
        // brings its list.
        ASSERT_TRUE(server.SendTo("rob", 642, "ghost gone"));
        EXPECT_TRUE(test::RunUntil([&] { return Sent(server, "rob", 211); }));
        EXPECT_TRUE(test::RunUntil([&] { return b.view.Status() == "No Files Shared."; }));
    }
}

TEST(Browse, ASendListNobodyAskedForChangesNothing) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::NetworkUser rob(server, "rob", test::NetworkUser::Options{.dataPort = test::FreePort(), .timeScale = 1.0});
    ASSERT_TRUE(rob.GoOnline(server));
    browse::Browse& b = rob.client->browse;
    auto push = [&](const std::string& bytes) {
        platform::Socket s;
        const auto port = static_cast<std::uint16_t>(rob.client->state.account().dataPort);
        if (platform::ConnectBlocking({0x7F000001, port}, 2s, s) != platform::ConnectResult::Connected) return false;
        platform::SendAllBlocking(s.fd(), bytes);
        // Rob closes the connection once he has read what he wanted of it.
        char buf[256];
        while (platform::WaitReadable(s.fd(), 5s) == platform::WaitResult::Ready) {
            if (::recv(s.fd(), buf, sizeof buf, 0) <= 0) return true;
        }
        return false;
    };
    // No browse at all.
    EXPECT_TRUE(push("SENDLISTmallory\n" + Line("1:\\1\\evil.mp3") + "\n"));
    EXPECT_TRUE(b.view.Records()->empty());
    EXPECT_EQ(b.view.Status(), "");
    // A browse of someone else: the list is dropped and the browse goes on.
    browse::ViewFiles(b, "ann");
    EXPECT_TRUE(push("SENDLIST" + std::string("mallory\n") + Line("1:\\1\\evil.mp3") + "\n"));
    EXPECT_TRUE(b.view.Records()->empty());
    EXPECT_EQ(b.view.Status(), "Populating list for user: ann ...");
    EXPECT_TRUE(b.Wants("ann"));
}

TEST(Browse, TheCommandLinePrintsTheBrowsedList) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    Network n(true, false);
    ASSERT_TRUE(n.Online());
    auto run = [&](const std::string& user, std::string& output) {
        test::TestProfile profile;
        const fs::path out = profile.path() / "out.txt";
        const std::string command = std::string(TANDRIL_CLI_BINARY) + " --profile '" + profile.path().string() +
                                    "' --redirector 127.0.0.1:" + std::to_string(n.server.RedirectorPort()) +
                                    " --user=cid --password=pw --browse=" + user + " > '" + out.string() + "' 2>&1";
        test::ChildProcess cli({"/bin/sh", "-c", command}, {"TANDRIL_PLUGIN_DIR=" TANDRIL_BUNDLED_PLUGINS});
        // This process's event loop turns meanwhile: ann answers the browse.
        if (!test::RunUntil([&] { return !cli.Running(); }, 30s)) return -1;
        const int code = cli.Wait(1s).value_or(-1);
        output = platform::ReadWholeFile(out).value_or("");
        return code;
    };
    std::string output;
    EXPECT_EQ(run("ann", output), 0) << output;
    for (const std::string& name : AnnouncedNames(n.server))
        EXPECT_NE(output.find("[browse] \"" + name + "\" "), std::string::npos) << output;
    EXPECT_NE(output.find("[browse] 3 files from ann"), std::string::npos) << output;
    EXPECT_EQ(run("nobody", output), 3) << output;
    EXPECT_NE(output.find("[browse] No Files Shared."), std::string::npos) << output;
}
