// Resuming: a download cut half-way keeps its partial file in "Incomplete" and a line in
// resume.dat; a resume search through devserver finds other users who share the same file, and
// the file is continued from its current end until it is whole.
#include "transfer/resume.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "devserver/dev_server.h"
#include "platform/atomic_file.h"
#include "support/fake_uploader.h"
#include "support/media_fixtures.h"
#include "support/network_user.h"
#include "transfer/download.h"
#include "transfer/download_queue.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace tandril::transfer;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr double kTimeScale = 0.05;  // the 20-second waits last one second, the 60-second one three
const std::uint32_t kLoopbackAsServerWrites = htonl(0x7F000001);

struct Network {
    explicit Network(devserver::DevServerOptions options = {}, bool sharerFirewalled = false) : server(options) {
        EXPECT_TRUE(server.Ok());
        song = test::EncodeMp3(music, "song", 3, 44100, "-b 128 --cbr -t");
        for (const char* user : {"ann", "carl"}) {
            fs::create_directories(music.path() / user);
            fs::copy_file(song, music.path() / user / "Blue Rock.mp3");
        }
        ann = std::make_unique<test::NetworkUser>(server, "ann",
                                                  test::NetworkUser::Options{.folders = {(music.path() / "ann").string()},
                                                                             .dataPort = sharerFirewalled ? 0 : test::FreePort(),
                                                                             .timeScale = kTimeScale});
        carl = std::make_unique<test::NetworkUser>(
            server, "carl",
            test::NetworkUser::Options{
                .folders = {(music.path() / "carl").string()}, .dataPort = test::FreePort(), .timeScale = kTimeScale});
    }
    bool Online(bool withCarl = true) {
        return bob.GoOnline(server) && ann->GoOnline(server) && (!withCarl || carl->GoOnline(server)) &&
               test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; });
    }
    Client& b() { return *bob.client; }
    std::string Song() { return *platform::ReadWholeFile(song); }
    devserver::SharedFile Shared() { return server.SharedFilesOf("ann").front(); }
    fs::path Incomplete() { return b().transfers.incomplete.Folder(); }
    fs::path Save() { return b().state.settings().savePath; }

    // Bob's download of the song from a peer that sends the first `cut` bytes and closes.
    void CutDownload(std::size_t cut, const std::string& checksum) {
        const std::string bytes = Song();
        test::FakeUploader peer({.reply = std::to_string(bytes.size()), .body = bytes.substr(0, cut)});
        const devserver::SharedFile file = Shared();
        EnqueueDownload(b().transfers, file.virtualName, "zed", file.size, checksum);
        {
            auto lock = b().transfers.lists.Take(false);
            SetTransferState(b().transfers, lock, *b().transfers.lists.Of(lock, false).front(), TransferState::Connecting);
        }
        OnDownloadAddress(b().transfers, protocol::DownloadAddress{"zed", kLoopbackAsServerWrites, static_cast<std::uint32_t>(peer.Port()),
                                                                   file.virtualName, checksum, 8});
        EXPECT_TRUE(test::RunUntil([&] { return OnlyState() == TransferState::Error; }, 15s)) << Status();
        peer.Join();
    }
    TransferState OnlyState() {
        auto lock = b().transfers.lists.Take(false);
        auto& list = b().transfers.lists.Of(lock, false);
        return list.size() == 1 ? list.front()->state : TransferState::Connecting;
    }
    std::string Status() {
        auto rows = b().transfers.view.Rows(false);
        return rows.size() == 1 ? rows.front().cells[kStatusColumn] : "";
    }
    // The failed download is cleared and every entry of resume.dat is resumed.
    void ResumeAll() {
        ClearFinishedTransfers(b().transfers);
        RequestResume(b().transfers, b().transfers.incomplete.Entries());
    }
    bool Ends(TransferState s) {
        return test::RunUntil([&] { return OnlyState() == s; }, 20s);
    }
    std::vector<std::string> Requests(int type) {
        std::vector<std::string> payloads;
        for (const auto& f : server.FramesFrom("bob")) {
            if (f.type == type) payloads.push_back(f.payload);
        }
        return payloads;
    }
    // A 216 line as a server writes it for `user`'s copy of the song.
    std::string SourceLine(const std::string& user, std::uint32_t port) {
        const devserver::SharedFile file = server.SharedFilesOf(user).front();
        return protocol::SourceFound{user, kLoopbackAsServerWrites, port, file.virtualName, file.hash, file.size, 8}.Encode();
    }
    devserver::DevServer server;
    test::TestProfile music;
    fs::path song;
    test::NetworkUser bob{server, "bob", {.dataPort = test::FreePort(), .timeScale = kTimeScale}};
    std::unique_ptr<test::NetworkUser> ann, carl;
};

}  // namespace

TEST(Resume, ADownloadCutHalfWayIsResumedFromAnotherUserByteForByte) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    for (bool sharersFirewalled : {false, true}) {
        SCOPED_TRACE(sharersFirewalled ? "the source pushes the rest" : "the source is asked for the rest");
        Network n({}, sharersFirewalled);
        ASSERT_TRUE(n.Online(!sharersFirewalled));
        const std::string bytes = n.Song();
        const std::string hash = n.Shared().hash;
        n.CutDownload(bytes.size() / 2, hash);

        // Kept under its own name in "Incomplete" and listed for a resume.
        const fs::path partial = n.Incomplete() / "Blue Rock.mp3";
        EXPECT_EQ(platform::ReadWholeFile(partial), bytes.substr(0, bytes.size() / 2));
        EXPECT_EQ(platform::ReadWholeFile(n.bob.profile.path() / "resume.dat"),
                  "\"" + partial.string() + "\" " + std::to_string(bytes.size()) + " " + hash + "\n");
        EXPECT_FALSE(fs::exists(n.Save() / "Blue Rock.mp3"));

        n.ResumeAll();
        ASSERT_TRUE(n.server.WaitFor("bob", 215, 5s));
        EXPECT_EQ(n.Requests(215), std::vector<std::string>{hash + " " + std::to_string(bytes.size())});
        ASSERT_TRUE(n.Ends(TransferState::Complete)) << n.Status();
        EXPECT_EQ(platform::ReadWholeFile(n.Save() / "Blue Rock.mp3"), bytes);
        EXPECT_FALSE(fs::exists(partial));
        EXPECT_EQ(platform::ReadWholeFile(n.bob.profile.path() / "resume.dat"), "");
        // The row now shows the user the rest came from; only the rest was sent.
        const std::string source = n.b().transfers.view.Rows(false).front().cells[kUserColumn];
        EXPECT_TRUE(source == "ann" || source == "carl") << source;
        Client& sender = source == "ann" ? *n.ann->client : *n.carl->client;
        ASSERT_TRUE(test::RunUntil([&] {
            auto lock = sender.transfers.lists.Take(true);
            auto& list = sender.transfers.lists.Of(lock, true);
            return list.size() == 1 && list.front()->state == TransferState::Complete;
        }));
        auto lock = sender.transfers.lists.Take(true);
        EXPECT_EQ(sender.transfers.lists.Of(lock, true).front()->startOffset, bytes.size() / 2);
        EXPECT_EQ(n.Requests(sharersFirewalled ? 500 : 203).size(), 1u);
    }
}

TEST(Resume, ASourceThatFailsIsFollowedByTheNextOne) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServerOptions quiet;
    quiet.resumeSearch = false;  // the test plays the server's answers itself
    Network n(quiet);
    ASSERT_TRUE(n.Online(false));
    const std::string bytes = n.Song();
    const devserver::SharedFile file = n.Shared();
    n.CutDownload(1000, file.hash);
    n.b().transfers.ping = [](std::uint32_t, std::chrono::milliseconds) { return 0; };
    n.ResumeAll();
    ASSERT_TRUE(n.server.WaitFor("bob", 215, 5s));
    // Equal round-trip times: the later source is tried first, and "ghost" is not online.
    ASSERT_TRUE(n.server.SendTo("bob", 216, n.SourceLine("ann", n.ann->client->state.account().dataPort)));
    const std::string ghost = "ghost 16777343 6699 \"" + file.virtualName + "\" " + file.hash + " " + std::to_string(file.size) + " 3";
    ASSERT_TRUE(n.server.SendTo("bob", 216, ghost));
    ASSERT_TRUE(n.server.SendTo("bob", 217, file.hash + " " + std::to_string(file.size)));
    ASSERT_TRUE(n.Ends(TransferState::Complete)) << n.Status();
    EXPECT_EQ(platform::ReadWholeFile(n.Save() / "Blue Rock.mp3"), bytes);
    const std::vector<std::string> asked = n.Requests(203);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].substr(0, 6), "ghost ");
    EXPECT_EQ(asked[1].substr(0, 4), "ann ");
}

// Sources are timed once the search ends: one that does not answer the ping goes first, then the
// fastest, whatever order they came in; each is asked for in turn as the one before is refused.
TEST(Resume, SourcesAreTriedInTheOrderOfTheirRoundTripTimes) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServerOptions quiet;
    quiet.resumeSearch = false;
    Network n(quiet);
    ASSERT_TRUE(n.Online(false));
    const devserver::SharedFile file = n.Shared();
    n.CutDownload(1000, file.hash);
    // None of these users is online: each 203 is refused and the next source is asked for.
    const std::map<std::uint32_t, int> times{{0x0100000A, 50}, {0x0200000A, 10}, {0x0300000A, -1}};
    n.b().transfers.ping = [times](std::uint32_t address, std::chrono::milliseconds) { return times.at(address); };
    n.ResumeAll();
    ASSERT_TRUE(n.server.WaitFor("bob", 215, 5s));
    for (auto [nick, address] : {std::pair{"fast", 0x0200000A}, {"mute", 0x0300000A}, {"slow", 0x0100000A}}) {
        ASSERT_TRUE(n.server.SendTo(
            "bob", 216,
            protocol::SourceFound{nick, static_cast<std::uint32_t>(address), 6699, file.virtualName, file.hash, file.size, 3}.Encode()));
    }
    ASSERT_TRUE(n.server.SendTo("bob", 217, file.hash + " " + std::to_string(file.size)));
    ASSERT_TRUE(n.Ends(TransferState::Error)) << n.Status();
    std::vector<std::string> asked;
    for (const std::string& payload : n.Requests(203)) asked.push_back(payload.substr(0, payload.find(' ')));
    EXPECT_EQ(asked, (std::vector<std::string>{"mute", "fast", "slow"}));
    EXPECT_TRUE(fs::exists(n.Incomplete() / "Blue Rock.mp3"));
}

TEST(Resume, WithoutUsableSourcesTheDownloadFailsAndKeepsItsFile) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServerOptions quiet;
    quiet.resumeSearch = false;
    Network n(quiet);
    ASSERT_TRUE(n.Online(false));
    const devserver::SharedFile file = n.Shared();
    const std::string size = std::to_string(file.size);
    const fs::path partial = n.Incomplete() / "Blue Rock.mp3";

    // The search ends with only lines that name no usable source.
    n.CutDownload(1000, file.hash);
    n.ResumeAll();
    ASSERT_TRUE(n.server.WaitFor("bob", 215, 5s));
    for (const std::string& hostile : {
             std::string("ann"),                                                        // fields missing
             "ann 16777343 6699 \"x.mp3\" " + file.hash,                                // no size
             "ann localhost 6699 \"x.mp3\" " + file.hash + " " + size,                  // address not a number
             "ann 16777343 70000 \"x.mp3\" " + file.hash + " " + size,                  // no such port
             "ann 16777343 6699 \"x.mp3\" " + file.hash + " " + size + "9",             // another size
             "ann 16777343 6699 \"x.mp3\" 00000000000000000000000000000000-1 " + size,  // another file
             "\"\" 16777343 6699 \"\" " + file.hash + " " + size,                       // empty nick and name
             std::string(5000, 'z'),                                                    // one long word
         }) {
        ASSERT_TRUE(n.server.SendTo("bob", 216, hostile));
    }
    ASSERT_TRUE(n.server.SendTo("bob", 217, file.hash + " " + size));
    ASSERT_TRUE(n.Ends(TransferState::Error));
    EXPECT_EQ(n.Status(), "Indisponible");
    EXPECT_TRUE(n.Requests(203).empty());
    EXPECT_EQ(platform::ReadWholeFile(partial)->size(), 1000u);
    EXPECT_EQ(n.b().transfers.incomplete.Entries().size(), 1u);
    EXPECT_TRUE(test::RunUntil([&] { return n.b().state.Downloads() == 0; }));

    // A server that never answers the search: the wait is bounded, with the same end.
    n.ResumeAll();
    ASSERT_TRUE(n.Ends(TransferState::Error));
    EXPECT_EQ(n.Status(), "Indisponible");
    EXPECT_EQ(platform::ReadWholeFile(partial)->size(), 1000u);
    EXPECT_EQ(n.b().transfers.incomplete.Entries().size(), 1u);
}

TEST(Resume, PartialActionDecidesWhatBecomesOfACutDownload) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    struct Case {
        int partialAction;
        std::optional<bool> answer;  // the question's answer, when it is asked
        bool inIncomplete, leftInSaveFolder;
    } cases[] = {
        {0, std::nullopt, false, false}, {1, std::nullopt, true, false}, {2, false, false, false},  // "Delete this file"
        {2, true, true, false},  // moved (also what closing the box does)
        {3, std::nullopt, false, true},
    };
    Network n;
    ASSERT_TRUE(n.Online(false));
    const devserver::SharedFile file = n.Shared();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.partialAction);
        n.b().state.EditSettings()->partialAction = c.partialAction;
        if (c.answer) n.bob.ui.partialTransferAnswers.push_back(*c.answer);
        const std::size_t asked = n.bob.ui.Texts("partial-transfer").size();
        n.CutDownload(1000, file.hash);
        EXPECT_EQ(n.bob.ui.Texts("partial-transfer").size(), asked + (c.answer ? 1 : 0));
        EXPECT_EQ(fs::exists(n.Incomplete() / "Blue Rock.mp3"), c.inIncomplete);
        EXPECT_EQ(n.b().transfers.incomplete.Entries().size(), c.inIncomplete ? 1u : 0u);
        EXPECT_EQ(fs::exists(n.Save() / "Blue Rock.mp3.part"), c.leftInSaveFolder);
        // Clean slate for the next case.
        ClearFinishedTransfers(n.b().transfers);
        fs::remove_all(n.Incomplete());
        fs::remove(n.Save() / "Blue Rock.mp3.part");
        n.b().transfers.incomplete.Forget((n.Incomplete() / "Blue Rock.mp3").string());
    }
    // Cut twice, kept twice: one line for one path.
    n.b().state.EditSettings()->partialAction = 1;
    n.CutDownload(1000, file.hash);
    ClearFinishedTransfers(n.b().transfers);
    n.CutDownload(2000, file.hash);
    EXPECT_EQ(n.b().transfers.incomplete.Entries().size(), 1u);
    EXPECT_EQ(platform::ReadWholeFile(n.Incomplete() / "Blue Rock.mp3")->size(), 2000u);
}
