// Streaming: a file from another user plays while it arrives, through the real download path, the
// player's feed mode and a WAV or capturing output; cancel, garbage and stalls on the way.

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <filesystem>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/socket.h"
#include "player/null_sink.h"
#include "player/player.h"
#include "player/player_test_support.h"
#include "player/wav_sink.h"
#include "session/result_actions.h"
#include "support/child_process.h"
#include "support/fake_uploader.h"
#include "support/media_fixtures.h"
#include "support/network_user.h"
#include "transfer/download.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace tandril::transfer;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr double kTimeScale = 0.05;  // the peer protocol's 20-second waits last one second

TransferState StateOf(Client& c) {
    auto lock = c.transfers.lists.Take(false);
    auto& list = c.transfers.lists.Of(lock, false);
    return list.size() == 1 ? list.front()->state : TransferState::Queued;
}

std::string Status(Client& c) {
    auto rows = c.transfers.view.Rows(false);
    return rows.size() == 1 ? rows.front().cells[kStatusColumn] : "";
}

bool Ends(Client& c, TransferState expected, std::chrono::milliseconds limit = 20s) {
    return test::RunUntil([&] { return StateOf(c) == expected; }, limit);
}

// The samples the player gives for the whole file, played from disk.
test::WavContents DecodeWholeFile(const test::TestProfile& dir, const fs::path& file) {
    const fs::path out = dir.path() / "whole.wav";
    player::Player player([&] { return std::make_unique<player::WavSink>(out); });
    test::TrackEndWaiter ended(player);
    EXPECT_TRUE(player.Play(file).ok());
    EXPECT_EQ(ended.Wait(), player::TrackEnd::kFinished);
    player.Stop();
    return test::ReadWav(out);
}

fs::path Tone(const test::TestProfile& dir, double seconds) {
    return test::EncodeWavWithLame(dir, test::WriteToneWav(dir, "tone.wav", seconds, 44100, 2), "tone.mp3", "-b 128 --cbr");
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec)) {
        if (e.is_regular_file()) files.push_back(e.path());
    }
    return files;
}

}  // namespace

TEST(Streaming, AnotherUsersFilePlaysWhileItArrivesAndNoFileIsKept) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    const fs::path song = Tone(music, 4.0);
    fs::copy_file(song, music.path() / "Music/Blue Rock.mp3");
    const fs::path heard = music.path() / "heard.wav";
    test::NetworkUser ann{
        server,
        "ann",
        {.lineSpeed = 8, .folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort(), .timeScale = kTimeScale}};
    test::NetworkUser bob{
        server, "bob", {.lineSpeed = 10, .timeScale = kTimeScale, .sink = [&] { return std::make_unique<player::WavSink>(heard); }}};
    ASSERT_TRUE(ann.GoOnline(server) && bob.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    Client& c = *bob.client;
    c.state.EditSettings()->maxDownloads = 1;
    const devserver::SharedFile shared = server.SharedFilesOf("ann").front();

    // The download limit does not hold a stream back: say another download holds the one slot.
    {
        std::scoped_lock lock(c.state.downloadsLock);
        c.state.downloads = 1;
    }
    session::PlayResult(c.session, {.fileName = shared.virtualName, .user = "ann", .size = shared.size});
    ASSERT_EQ(c.transfers.view.Rows(false).size(), 1u);
    EXPECT_EQ(c.state.Downloads(), 2);
    ASSERT_TRUE(test::RunUntil([&] { return Status(c) == "Streaming..." || StateOf(c) == TransferState::Complete; }));
    ASSERT_TRUE(Ends(c, TransferState::Complete)) << Status(c);
    EXPECT_TRUE(test::RunUntil([&] { return c.state.Downloads() == 1; }));  // its slot went back

    // What bob heard is the file, sample for sample, as playing it from disk gives it.
    const test::WavContents got = test::ReadWav(heard);
    const test::WavContents whole = DecodeWholeFile(music, song);
    ASSERT_TRUE(got.valid && whole.valid);
    EXPECT_EQ(got.sampleRate, 44100);
    EXPECT_EQ(got.channels, 2);
    EXPECT_EQ(got.frames(), whole.frames());
    EXPECT_TRUE(got.samples == whole.samples);
    EXPECT_NEAR(static_cast<double>(got.frames()) / 44100.0, 4.0, 0.03);
    // Nothing landed in bob's save folder.
    EXPECT_EQ(FilesIn(c.state.settings().savePath), std::vector<fs::path>{});
    EXPECT_TRUE(bob.ui.Texts("alert-modeless").empty());
}

namespace {

// A client that is not online: its stream gets its uploader's address by hand.
struct Listener {
    explicit Listener(player::SinkFactory sink) : c(ui, Options(profile, std::move(sink))) {
        fs::create_directories(save);
        c.state.EditAccount()->userName = "bob";
        c.state.EditSettings()->savePath = save.string();
    }
    static ClientOptions Options(const test::TestProfile& profile, player::SinkFactory sink) {
        ClientOptions options{profile.path()};
        options.timeScale = kTimeScale;
        options.sink = std::move(sink);
        return options;
    }
    void From(const test::FakeUploader& peer, const std::string& name, std::uint32_t size) {
        StartDownload(c.transfers, name, "evil", size, TransferState::Connecting, true);
        OnDownloadAddress(c.transfers, *protocol::DownloadAddress::Decode("evil 16777343 " + std::to_string(peer.Port()) + " \"" + name +
                                                                          "\" 0123456789abcdef 3"));
    }
    std::uint32_t Row() { return c.transfers.view.Rows(false).front().rowId; }
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c;
    const fs::path save = profile.path() / "Downloads";
};

}  // namespace

TEST(Streaming, ACancelSilencesTheStreamAtOnce) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    test::TestProfile dir;
    const std::string mp3 = *platform::ReadWholeFile(Tone(dir, 3.0));
    for (bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "delete" : "cancel");
        // An output that takes nothing: the worker is held inside the sound output, as it is
        // while a real device plays what it was given.
        auto capture = std::make_shared<test::Capture>();
        capture->gateOpen = false;
        Listener bob(test::CaptureTo(capture));
        test::FakeUploader peer({.reply = std::to_string(mp3.size()), .body = mp3, .hold = 10s});
        bob.From(peer, "song.mp3", static_cast<std::uint32_t>(mp3.size()));
        ASSERT_TRUE(Ends(bob.c, TransferState::Transferring)) << Status(bob.c);
        EXPECT_EQ(Status(bob.c), "Streaming...");
        ASSERT_TRUE(capture->WaitFor([&] { return capture->writesWaiting > 0; }));
        (remove ? DeleteTransfers : CancelTransfers)(bob.c.transfers, false, {bob.Row()});
        EXPECT_TRUE(capture->WaitFor([&] { return capture->aborted; }, 2s));
        if (remove) {
            EXPECT_TRUE(test::RunUntil([&] { return bob.c.transfers.lists.Size(false) == 0; }, 5s));
        } else {
            EXPECT_TRUE(Ends(bob.c, TransferState::Cancelled, 5s));
        }
        EXPECT_TRUE(test::RunUntil([&] { return bob.c.state.Downloads() == 0; }, 5s));
        EXPECT_EQ(bob.c.player.State(), player::PlayerState::kIdle);
        EXPECT_EQ(FilesIn(bob.save), std::vector<fs::path>{});
        peer.StopSending();
    }
}

TEST(Streaming, APeerThatSendsNoSoundGivesTheEnginesErrorAndEndsTheStream) {
    // No byte of this is 0xFF: no MPEG frame can be found in it, however long it runs.
    std::string garbage;
    while (garbage.size() < 300 * 1024) garbage += "garbage, not sound; ";
    Listener bob(player::SinkFactory([] { return std::make_unique<player::NullSink>(); }));
    test::FakeUploader peer({.reply = std::to_string(garbage.size()), .body = garbage, .hold = 5s});
    bob.From(peer, "noise.mp3", static_cast<std::uint32_t>(garbage.size()));
    ASSERT_TRUE(Ends(bob.c, TransferState::Error)) << Status(bob.c);
    const auto alerts = bob.ui.Texts("alert-modeless");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts.front().rfind("Unable to stream specified file: ", 0), 0u) << alerts.front();
    EXPECT_GT(alerts.front().size(), std::string("Unable to stream specified file: ").size());
    EXPECT_TRUE(test::RunUntil([&] { return bob.c.state.Downloads() == 0; }));
    EXPECT_EQ(FilesIn(bob.save), std::vector<fs::path>{});
}

TEST(Streaming, AStalledPeerEndsTheStreamAndNeverHoldsTheGuiThread) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    test::TestProfile dir;
    const std::string mp3 = *platform::ReadWholeFile(Tone(dir, 3.0));
    auto tally = std::make_shared<player::NullSinkTally>();
    Listener bob(player::SinkFactory([tally] { return std::make_unique<player::NullSink>(tally); }));
    // A third of the file, then silence on an open connection for far longer than the data wait.
    test::FakeUploader peer({.reply = std::to_string(mp3.size()), .body = mp3.substr(0, mp3.size() / 3), .hold = 30s});
    bob.From(peer, "song.mp3", static_cast<std::uint32_t>(mp3.size()));
    ASSERT_TRUE(Ends(bob.c, TransferState::Transferring));
    ASSERT_TRUE(test::RunUntil([&] { return tally->frames > 0; }));
    // While the peer is silent the GUI thread goes on with its work.
    for (int i = 0; i < 3; ++i) {
        bool ran = false;
        bob.c.PostToGui([&] { ran = true; });
        EXPECT_TRUE(test::RunUntil([&] { return ran; }, 2s));
    }
    ASSERT_TRUE(Ends(bob.c, TransferState::Error, 20s)) << Status(bob.c);
    EXPECT_TRUE(bob.ui.Texts("alert-modeless").empty());
    EXPECT_TRUE(test::RunUntil([&] { return bob.c.state.Downloads() == 0; }));
    peer.StopSending();
}

TEST(TransferRowPlay, PlaysWhatHasArrivedOfADownloadStillUnderItsPartialName) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    test::TestProfile dir;
    const std::string mp3 = *platform::ReadWholeFile(Tone(dir, 3.0));
    auto capture = std::make_shared<test::Capture>();
    capture->gateOpen = false;  // what plays stays playing
    Listener bob(test::CaptureTo(capture));
    // An ordinary download: its first half arrives, then the uploader holds the connection.
    test::FakeUploader peer({.reply = std::to_string(mp3.size()), .body = mp3.substr(0, mp3.size() / 2), .hold = 10s});
    StartDownload(bob.c.transfers, "song.mp3", "evil", static_cast<std::uint32_t>(mp3.size()));
    session::PlayTransfer(bob.c.session, false, bob.Row());
    EXPECT_EQ(bob.ui.Texts("alert"), std::vector<std::string>{"Download has not yet started!"});
    EXPECT_EQ(bob.c.player.State(), player::PlayerState::kIdle);
    OnDownloadAddress(bob.c.transfers, *protocol::DownloadAddress::Decode("evil 16777343 " + std::to_string(peer.Port()) +
                                                                          " \"song.mp3\" 0123456789abcdef 3"));
    const fs::path partial = bob.save / "song.mp3.part";
    ASSERT_TRUE(test::RunUntil([&] {
        std::error_code ec;
        return fs::file_size(partial, ec) >= mp3.size() / 2 && !ec;
    }));
    session::PlayTransfer(bob.c.session, false, bob.Row());
    EXPECT_EQ(bob.c.panel.NowPlaying(), partial.string());
    EXPECT_EQ(bob.c.player.State(), player::PlayerState::kPlaying);
    EXPECT_EQ(bob.c.panel.TrackInfo(), "MPEG 1 Layer 3, 128 kbps, 44100 Hz");
    bob.c.panel.Stop();
    CancelTransfers(bob.c.transfers, false, {bob.Row()});
    EXPECT_TRUE(Ends(bob.c, TransferState::Cancelled, 20s));
    peer.StopSending();
}

TEST(Streaming, WithoutASoundOutputTheStreamSaysSoAndWaitsForTheSweep) {
    Listener bob(player::SinkFactory([] { return std::make_unique<player::WavSink>("/nonexistent-folder/x.wav"); }));
    test::FakeUploader peer({.reply = "1000", .body = std::string(1000, 'x'), .hold = 5s});
    bob.From(peer, "song.mp3", 1000);
    ASSERT_TRUE(test::RunUntil([&] { return !bob.ui.Texts("alert-modeless").empty(); }));
    EXPECT_EQ(bob.ui.Texts("alert-modeless"), std::vector<std::string>{"Failed to stream specified file!"});
    // Left Connecting, no longer attached: the unanswered-request sweep fails it in time.
    EXPECT_TRUE(Ends(bob.c, TransferState::Connecting));
    {
        auto lock = bob.c.transfers.lists.Take(false);
        EXPECT_FALSE(bob.c.transfers.lists.Of(lock, false).front()->attached);
    }
    EXPECT_EQ(FilesIn(bob.save), std::vector<fs::path>{});
}

namespace {

// tandril-cli with `args`, the event loop of this process (where a sharer may live) turning
// meanwhile; its exit code, or -1 when it did not end.
int RunCli(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), TANDRIL_CLI_BINARY);
    env.push_back("TANDRIL_PLUGIN_DIR=" TANDRIL_BUNDLED_PLUGINS);
    test::ChildProcess cli(args, env);
    if (!test::RunUntil([&] { return !cli.Running(); }, 60s)) return -1;
    return cli.Wait(1s).value_or(-1);
}

}  // namespace

TEST(CommandLinePlayer, PlaysAFileOrSaysWhyNot) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    test::TestProfile dir;
    const fs::path song = Tone(dir, 2.0);
    const fs::path out = dir.path() / "out.wav";
    EXPECT_EQ(RunCli({"--play=" + song.string(), "--sink=wav:" + out.string()}), 0);
    const test::WavContents got = test::ReadWav(out);
    const test::WavContents whole = DecodeWholeFile(dir, song);
    ASSERT_TRUE(got.valid);
    EXPECT_TRUE(got.samples == whole.samples);
    EXPECT_EQ(RunCli({"--play=" + song.string(), "--sink=null"}), 0);

    dir.Write("notes.txt", "x");
    EXPECT_EQ(RunCli({"--play=" + (dir.path() / "notes.txt").string(), "--sink=null"}), 6);
    EXPECT_EQ(RunCli({"--play=" + (dir.path() / "missing.mp3").string(), "--sink=null"}), 6);
    EXPECT_EQ(RunCli({"--play=" + song.string(), "--sink=speakers"}), 2);
    // No sound server: the device alert, at once.
    EXPECT_EQ(RunCli({"--play=" + song.string()}, {"PULSE_SERVER=unix:/nonexistent/tandril-no-server"}), 6);
}

TEST(CommandLinePlayer, StreamsASearchResult) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    const fs::path song = Tone(music, 2.0);
    fs::copy_file(song, music.path() / "Music/Harbour Lights.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort()}};
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    test::TestProfile bob;
    const fs::path out = bob.path() / "heard.wav";
    EXPECT_EQ(RunCli({"--profile", bob.path().string(), "--redirector", "127.0.0.1:" + std::to_string(server.RedirectorPort()),
                      "--user=bob", "--password=pw", "--save=" + (bob.path() / "Downloads").string(), "--search=harbour", "--stream=1",
                      "--sink=wav:" + out.string()}),
              0);
    EXPECT_TRUE(test::ReadWav(out).samples == DecodeWholeFile(music, song).samples);
    EXPECT_FALSE(fs::exists(bob.path() / "Downloads/Harbour Lights.mp3"));
}
