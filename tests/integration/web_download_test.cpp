// Web downloads against real HTTP servers on loopback: Debian's nginx for ordinary answers, and a
// one-connection server of the test's own for answers nginx never gives (no Content-Length, a
// body cut short).
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/atomic_file.h"
#include "support/network_user.h"
#include "support/nginx.h"
#include "transfer/download.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace tandril::transfer;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Answers one connection with `answer` (after reading the request), then closes it.
class OneAnswerServer {
public:
    explicit OneAnswerServer(std::string answer) : listening_(platform::ListenTcp(0, true)) {
        thread_ = std::jthread([this, answer = std::move(answer)] {
            if (platform::WaitReadable(listening_.fd(), 20s) != platform::WaitResult::Ready) return;
            platform::Socket c(::accept(listening_.fd(), nullptr, nullptr));
            char buffer[2048];
            const ssize_t n = ::recv(c.fd(), buffer, sizeof buffer, 0);
            {
                std::scoped_lock lock(requestLock_);
                if (n > 0) request_.assign(buffer, static_cast<std::size_t>(n));
            }
            platform::SendAllBlocking(c.fd(), answer);
        });
    }
    std::uint16_t Port() const { return platform::LocalPort(listening_); }
    std::string Request() {
        thread_.join();
        std::scoped_lock lock(requestLock_);
        return request_;
    }

private:
    platform::Socket listening_;
    std::mutex requestLock_;
    std::string request_;
    std::jthread thread_;
};

std::string RandomBytes(std::size_t n) {
    std::mt19937 random(7);
    std::string bytes(n, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    return bytes;
}

struct WebRig {
    WebRig() {
        EXPECT_TRUE(server.Ok());
        EXPECT_TRUE(bob.GoOnline(server));
    }
    Client& client() { return *bob.client; }
    fs::path SaveFolder() { return client().state.settings().savePath; }
    fs::path IncompleteFolder() { return client().transfers.incomplete.Folder(); }
    TransferState State() {
        auto lock = client().transfers.lists.Take(false);
        auto& list = client().transfers.lists.Of(lock, false);
        return list.size() == 1 ? list.front()->state : TransferState::Connecting;
    }
    bool Ends(TransferState s) {
        return test::RunUntil([&] { return State() == s; }, 15s);
    }
    std::string Status() {
        auto rows = client().transfers.view.Rows(false);
        return rows.size() == 1 ? rows.front().cells[kStatusColumn] : "";
    }
    bool SentToServer(int type) {
        for (const auto& f : server.FramesFrom("bob")) {
            if (f.type == type) return true;
        }
        return false;
    }
    // Every file below the save folder and the Incomplete folder, with its contents.
    std::map<std::string, std::string> Files() {
        std::map<std::string, std::string> files;
        for (const fs::path& folder : {SaveFolder(), IncompleteFolder()}) {
            std::error_code ec;
            if (!fs::exists(folder, ec)) continue;
            for (auto& e : fs::recursive_directory_iterator(folder)) {
                if (e.is_regular_file()) files[fs::relative(e.path(), bob.profile.path()).string()] = *platform::ReadWholeFile(e.path());
            }
        }
        return files;
    }
    devserver::DevServer server;
    test::NetworkUser bob{server, "bob", {.timeScale = 0.05}};
};

bool HaveNginx() {
    return fs::exists(test::kNginx);
}

}  // namespace

TEST(WebDownload, AFileFromARealWebServerArrivesByteForByte) {
    if (!HaveNginx()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    test::TestProfile web;
    test::Nginx nginx(web);
    ASSERT_TRUE(nginx.Listening());
    const std::string song = RandomBytes(300 * 1024);
    fs::create_directories(nginx.root() / "music");
    std::ofstream(nginx.root() / "music/Web Song.mp3", std::ios::binary) << song;
    WebRig rig;
    rig.client().transfers.webPort = nginx.Port();

    StartDownload(rig.client().transfers, "web:\\127.0.0.1\\music\\Web Song.mp3", "radio", 0);
    ASSERT_TRUE(rig.Ends(TransferState::Complete)) << rig.Status();
    EXPECT_EQ(rig.Status(), "File Complete!");
    EXPECT_EQ(platform::ReadWholeFile(rig.SaveFolder() / "Web Song.mp3"), song);
    EXPECT_NE(nginx.AccessLog().find("\"GET /music/Web%20Song.mp3 HTTP/1.0\" 200"), std::string::npos) << nginx.AccessLog();
    // The size came from Content-Length; the index server heard of no download request.
    {
        auto lock = rig.client().transfers.lists.Take(false);
        EXPECT_EQ(rig.client().transfers.lists.Of(lock, false).front()->fileSize, song.size());
    }
    EXPECT_FALSE(rig.SentToServer(203));
}

// A file of that name in the save folder is the user's: asked about before anything is fetched,
// it is kept on Cancel, the download takes the new name on Rename, and only Overwrite replaces it.
TEST(WebDownload, AFileOfTheSameNameIsAskedAboutFirst) {
    if (!HaveNginx()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    test::TestProfile web;
    test::Nginx nginx(web);
    ASSERT_TRUE(nginx.Listening());
    const std::string song = RandomBytes(64 * 1024);
    std::ofstream(nginx.root() / "song.mp3", std::ios::binary) << song;
    using Choice = UiPort::ExistingFile;
    struct Case {
        Choice answer;
        TransferState end;
        std::string mine, other;  // what "song.mp3" and "other.mp3" hold afterwards
    } cases[] = {
        {{Choice::Cancel, ""}, TransferState::Cancelled, "mine", ""},
        {{Choice::Rename, "other.mp3"}, TransferState::Complete, "mine", song},
        {{Choice::Overwrite, ""}, TransferState::Complete, song, ""},
    };
    for (const Case& t : cases) {
        WebRig rig;
        rig.client().transfers.webPort = nginx.Port();
        fs::create_directories(rig.SaveFolder());
        std::ofstream(rig.SaveFolder() / "song.mp3", std::ios::binary) << "mine";
        rig.bob.ui.existingFileAnswers.push_back(t.answer);
        StartDownload(rig.client().transfers, "web:\\127.0.0.1\\song.mp3", "radio", 0);
        ASSERT_TRUE(rig.Ends(t.end)) << rig.Status();
        EXPECT_EQ(rig.bob.ui.Texts("existing-file"), std::vector<std::string>{"song.mp3"});
        EXPECT_EQ(platform::ReadWholeFile(rig.SaveFolder() / "song.mp3").value_or(""), t.mine);
        EXPECT_EQ(platform::ReadWholeFile(rig.SaveFolder() / "other.mp3").value_or(""), t.other);
    }
}

TEST(WebDownload, AnErrorPageIsAnErrorAndNothingIsSaved) {
    if (!HaveNginx()) GTEST_SKIP() << "nginx is not installed (scripts/setup.sh installs it)";
    test::TestProfile web;
    test::Nginx nginx(web, "  location /broken/ { return 500; }\n");
    ASSERT_TRUE(nginx.Listening());
    struct Case {
        const char* name;
        const char* status;
    } cases[] = {
        {"web:\\127.0.0.1\\music\\missing.mp3", "404"},
        {"web:\\127.0.0.1\\broken\\song.mp3", "500"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WebRig rig;
        rig.client().transfers.webPort = nginx.Port();
        StartDownload(rig.client().transfers, c.name, "radio", 4096);
        ASSERT_TRUE(rig.Ends(TransferState::Error)) << rig.Status();
        EXPECT_NE(rig.Status().find(c.status), std::string::npos) << rig.Status();
        EXPECT_TRUE(rig.Files().empty());
        EXPECT_FALSE(fs::exists(rig.bob.profile.path() / "resume.dat"));
        EXPECT_TRUE(test::RunUntil([&] { return rig.client().state.Downloads() == 0; }));  // the slot was given back
    }
}

TEST(WebDownload, WithoutContentLengthTheResultsSizeOrTheEndOfTheConnectionCounts) {
    const std::string body = RandomBytes(50000);
    for (std::uint32_t resultSize : {static_cast<std::uint32_t>(body.size()), 0u}) {
        SCOPED_TRACE(resultSize);
        OneAnswerServer http("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n" + body);
        WebRig rig;
        rig.client().transfers.webPort = http.Port();
        StartDownload(rig.client().transfers, "web:\\127.0.0.1\\a\\b\\plain.mp3", "radio", resultSize);
        ASSERT_TRUE(rig.Ends(TransferState::Complete)) << rig.Status();
        EXPECT_EQ(platform::ReadWholeFile(rig.SaveFolder() / "plain.mp3"), body);
        // The request as the protocol writes it: line feeds only.
        EXPECT_EQ(http.Request(), "GET /a/b/plain.mp3 HTTP/1.0\nHost: 127.0.0.1\n\n");
    }
}

TEST(WebDownload, ABodyShorterThanContentLengthIsKeptAsIncomplete) {
    OneAnswerServer http("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n0123456789");
    WebRig rig;
    rig.client().transfers.webPort = http.Port();
    StartDownload(rig.client().transfers, "web:\\127.0.0.1\\cut.mp3", "radio", 0);
    ASSERT_TRUE(rig.Ends(TransferState::Error)) << rig.Status();
    EXPECT_FALSE(fs::exists(rig.SaveFolder() / "cut.mp3"));
    EXPECT_EQ(platform::ReadWholeFile(rig.IncompleteFolder() / "cut.mp3"), "0123456789");
    const auto entries = rig.client().transfers.incomplete.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (IncompleteEntry{(rig.IncompleteFolder() / "cut.mp3").string(), 5000, "x"}));
}

TEST(WebDownload, NamesThatClimbOutOfTheSaveFolderLandInsideIt) {
    OneAnswerServer http("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\nevil");
    WebRig rig;
    rig.client().transfers.webPort = http.Port();
    StartDownload(rig.client().transfers, "web:\\127.0.0.1\\..\\..\\..\\evil.mp3", "radio", 0);
    ASSERT_TRUE(rig.Ends(TransferState::Complete)) << rig.Status();
    EXPECT_EQ((rig.Files()), (std::map<std::string, std::string>{{"Downloads/evil.mp3", "evil"}}));
    EXPECT_FALSE(fs::exists(rig.bob.profile.path() / "evil.mp3"));
    // A name whose last part is ".." has no file name at all: refused before anything is asked.
    StartDownload(rig.client().transfers, "web:\\127.0.0.1\\music\\..", "radio", 0);
    EXPECT_EQ(rig.client().transfers.lists.Size(false), 1u);
    EXPECT_FALSE(rig.bob.ui.Texts("alert-modeless").empty());
}
