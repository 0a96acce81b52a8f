// The player object: engine choice, failures, pause, stop, volume, the end-of-track handler and
// calls from many threads.

#include "player/player.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include "player/engine_codes.h"
#include "player/null_sink.h"
#include "player/player_test_support.h"
#include "player/sink_choice.h"
#include "player/wav_sink.h"
#include "support/media_fixtures.h"

namespace tandril::test {
namespace {

using namespace std::chrono_literals;
using player::EngineKind;
using player::PlayerState;
using player::PlayStatus;

std::filesystem::path MakeMp3(const TestProfile& dir, const std::string& name, double seconds) {
    return EncodeWavWithLame(dir, WriteToneWav(dir, name + ".wav", seconds, 44100, 2), name, "-b 128 --cbr");
}

std::filesystem::path MakeWma(const TestProfile& dir, const std::string& name, double seconds) {
    auto wav = WriteToneWav(dir, name + ".wav", seconds, 44100, 2);
    return MakeWithFfmpeg(dir, name, "-i '" + wav.string() + "' -c:a wmav2 -b:a 128k");
}

// The samples the player hands to its output for `file` at full volume.
std::vector<int16_t> DecodeAll(const std::filesystem::path& file) {
    auto capture = std::make_shared<Capture>();
    player::Player player(CaptureTo(capture));
    TrackEndWaiter ended(player);
    EXPECT_TRUE(player.Play(file).ok());
    EXPECT_EQ(ended.Wait(), player::TrackEnd::kFinished);
    return capture->Samples();
}

TEST(EngineChoice, GoesByTheTextAfterTheLastDotInAnyCase) {
    struct Case {
        const char* path;
        EngineKind kind;
    };
    for (const Case& c :
         {Case{"/music/a.mp3", EngineKind::kMpeg}, Case{"A.MP3", EngineKind::kMpeg}, Case{"x.Mp2", EngineKind::kMpeg},
          Case{"song.wma", EngineKind::kFfmpeg}, Case{"SONG.WmA", EngineKind::kFfmpeg}, Case{"old.mp3.wma", EngineKind::kFfmpeg},
          Case{"a.wma.mp3", EngineKind::kMpeg}, Case{"dir.mp3/readme", EngineKind::kNone}, Case{"track.mp3.", EngineKind::kNone},
          Case{"a.ogg", EngineKind::kNone}, Case{"a.mp4", EngineKind::kNone}, Case{"a.mp33", EngineKind::kNone},
          Case{"", EngineKind::kNone}}) {
        EXPECT_EQ(player::EngineForPath(c.path), c.kind) << c.path;
    }
}

TEST(Player, AFileOfAnotherKindChangesNothing) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, "a.mp3", 1.0);
    auto capture = std::make_shared<Capture>();
    capture->gateOpen = false;
    player::Player player(CaptureTo(capture));
    ASSERT_TRUE(player.Play(mp3).ok());
    ASSERT_TRUE(capture->WaitFor([&] { return capture->writesWaiting > 0; }));
    dir.Write("notes.txt", "hello");
    EXPECT_EQ(player.Play(dir.path() / "notes.txt").status, PlayStatus::kNotPlayable);
    EXPECT_EQ(player.State(), PlayerState::kPlaying);
    capture->Update([](Capture& c) { c.gateOpen = true; });
    EXPECT_FALSE(capture->aborted);
}

TEST(Player, FilesItCannotDecodeFailWithoutSound) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "needs ffmpeg";
    TestProfile dir;
    std::string random(64 * 1024, '\0');
    std::mt19937 generator(3);
    for (auto& c : random) c = static_cast<char>(generator());
    auto wma = MakeWma(dir, "real.wma", 1.0);
    std::string wmaHeader;
    {
        std::ifstream in(wma, std::ios::binary);
        wmaHeader.resize(600);
        in.read(wmaHeader.data(), static_cast<std::streamsize>(wmaHeader.size()));
    }
    dir.Write("empty.mp3", "");
    dir.Write("random.mp3", random);
    dir.Write("zeros.mp2", std::string(100000, '\0'));
    dir.Write("page.mp3", "<html><body>Not Found</body></html>\n");
    dir.Write("random.wma", random);
    dir.Write("page.wma", "<html><body>Not Found</body></html>\n");
    dir.Write("header-only.wma", wmaHeader);
    for (const char* name :
         {"missing.mp3", "missing.wma", "empty.mp3", "random.mp3", "zeros.mp2", "page.mp3", "random.wma", "page.wma", "header-only.wma"}) {
        SCOPED_TRACE(name);
        auto tally = std::make_shared<player::NullSinkTally>();
        player::Player player([tally] { return std::make_unique<player::NullSink>(tally); });
        auto result = player.Play(dir.path() / name);
        EXPECT_EQ(result.status, PlayStatus::kCannotOpenFile);
        EXPECT_FALSE(result.detail.empty());
        EXPECT_EQ(tally->opens, 0);
        EXPECT_EQ(player.State(), PlayerState::kIdle);
    }
}

TEST(Player, AFileCutShortPlaysWhatItHas) {
    if (!HaveLame() || !HaveFfmpeg()) GTEST_SKIP() << "needs lame and ffmpeg";
    TestProfile dir;
    for (auto file : {MakeMp3(dir, "a.mp3", 3.0), MakeWma(dir, "a.wma", 3.0)}) {
        SCOPED_TRACE(file.filename().string());
        auto whole = DecodeAll(file);
        std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2 + 7);
        auto cut = DecodeAll(file);
        EXPECT_GT(cut.size(), whole.size() * 2 / 5);
        EXPECT_LT(cut.size(), whole.size() * 3 / 5);
    }
}

TEST(Player, NoWayToOpenTheOutputIsADeviceError) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, "a.mp3", 0.5);
    player::Player player([&] { return std::make_unique<player::WavSink>(dir.path() / "no-such-folder" / "out.wav"); });
    auto result = player.Play(mp3);
    EXPECT_EQ(result.status, PlayStatus::kDeviceError);
    EXPECT_NE(result.detail.find("no-such-folder"), std::string::npos) << result.detail;
    EXPECT_EQ(player.State(), PlayerState::kIdle);

    std::string error;
    auto stream = player.CreateStreamDecoder(error);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Start(), player::kEngineDeviceError);
    EXPECT_EQ(player::EngineErrorText(player::kEngineDeviceError), "Can't open playback device! It might already be used.");
}

TEST(Player, PauseHoldsTheOutputAndResumePlaysOnToTheEnd) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, "a.mp3", 2.0);
    auto whole = DecodeAll(mp3);

    auto capture = std::make_shared<Capture>();
    capture->gateOpen = false;
    player::Player player(CaptureTo(capture));
    TrackEndWaiter ended(player);
    ASSERT_TRUE(player.Play(mp3).ok());
    ASSERT_TRUE(capture->WaitFor([&] { return capture->writesWaiting > 0; }));
    player.Pause();
    EXPECT_EQ(player.State(), PlayerState::kPaused);
    // The write under way when the pause came finishes; no other one starts while paused.
    capture->Update([](Capture& c) { c.gateOpen = true; });
    ASSERT_TRUE(capture->WaitFor([&] { return capture->writes == 1; }));
    EXPECT_FALSE(capture->WaitFor([&] { return capture->writes > 1; }, 150ms));
    EXPECT_EQ(ended.Count(), 0);

    // The gate shuts again so the track cannot run to its end before the state is read.
    capture->Update([](Capture& c) { c.gateOpen = false; });
    player.Resume();
    EXPECT_EQ(player.State(), PlayerState::kPlaying);
    capture->Update([](Capture& c) { c.gateOpen = true; });
    ASSERT_EQ(ended.Wait(), player::TrackEnd::kFinished);
    EXPECT_TRUE(capture->Samples() == whole);
    EXPECT_EQ(capture->pauses, (std::vector<bool>{true, false}));
    EXPECT_EQ(player.State(), PlayerState::kIdle);
}

TEST(Player, StopOrDestructionEndsAnEngineBlockedInTheOutputAtOnce) {
    if (!HaveLame() || !HaveFfmpeg()) GTEST_SKIP() << "needs lame and ffmpeg";
    TestProfile dir;
    for (auto file : {MakeMp3(dir, "a.mp3", 2.0), MakeWma(dir, "a.wma", 2.0)}) {
        for (bool destroy : {false, true}) {
            SCOPED_TRACE(file.filename().string() + (destroy ? ", destroyed" : ", stopped"));
            auto capture = std::make_shared<Capture>();
            capture->gateOpen = false;  // a device that takes nothing, until aborted
            auto player = std::make_unique<player::Player>(CaptureTo(capture));
            TrackEndWaiter ended(*player);
            ASSERT_TRUE(player->Play(file).ok());
            ASSERT_TRUE(capture->WaitFor([&] { return capture->writesWaiting > 0; }));
            auto start = std::chrono::steady_clock::now();
            if (destroy) {
                player.reset();
            } else {
                player->Stop();
            }
            // A stop does not wait for the blocked output (the bound is far above the 400 ms a stop
            // takes on an idle machine, so a loaded one does not fail it; a hang would).
            EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
            EXPECT_TRUE(capture->aborted);
            EXPECT_TRUE(capture->closed);
            EXPECT_EQ(ended.Count(), 0) << "no end of track after a stop";
            if (player) {
                EXPECT_EQ(player->State(), PlayerState::kIdle);
            }
        }
    }
}

TEST(Player, VolumeScalesTheSamples) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, "a.mp3", 1.0);
    auto full = DecodeAll(mp3);
    for (int volume : {50, 0, 73}) {
        SCOPED_TRACE(volume);
        auto capture = std::make_shared<Capture>();
        player::Player player(CaptureTo(capture));
        TrackEndWaiter ended(player);
        player.SetVolume(volume);
        ASSERT_TRUE(player.Play(mp3).ok());
        ASSERT_TRUE(ended.Wait());
        auto scaled = capture->Samples();
        ASSERT_EQ(scaled.size(), full.size());
        int64_t wrong = 0;
        for (size_t i = 0; i < full.size(); ++i) wrong += scaled[i] != static_cast<int16_t>(full[i] * volume / 100);
        EXPECT_EQ(wrong, 0);
    }
    player::Player player(CaptureTo(std::make_shared<Capture>()));
    player.SetVolume(140);
    EXPECT_EQ(player.Volume(), 100);
    player.SetVolume(-5);
    EXPECT_EQ(player.Volume(), 0);
}

TEST(Player, AnEndOfTrackHandlerCanPlayTheNextTrack) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    std::vector<std::filesystem::path> playlist{MakeMp3(dir, "1.mp3", 0.4), MakeMp3(dir, "2.mp3", 0.7), MakeMp3(dir, "3.mp3", 0.2)};
    // What the handler touches outlives the player, whose destructor ends the handler's thread.
    std::mutex mutex;
    std::condition_variable done;
    std::vector<std::thread::id> handlerThreads;
    size_t next = 1;
    bool finished = false;
    auto tally = std::make_shared<player::NullSinkTally>();
    player::Player player([tally] { return std::make_unique<player::NullSink>(tally); });
    player.SetEndOfTrackHandler([&](player::TrackEnd end) {
        EXPECT_EQ(end, player::TrackEnd::kFinished);
        std::unique_lock lock(mutex);
        handlerThreads.push_back(std::this_thread::get_id());
        if (next < playlist.size()) {
            auto file = playlist[next++];
            lock.unlock();
            EXPECT_TRUE(player.Play(file).ok());
        } else {
            finished = true;
            done.notify_all();
        }
    });
    ASSERT_TRUE(player.Play(playlist[0]).ok());
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(done.wait_for(lock, 30s, [&] { return finished; }));
    }
    EXPECT_EQ(handlerThreads.size(), 3u);
    for (auto id : handlerThreads) EXPECT_NE(id, std::this_thread::get_id());
    // Each track is exactly as long as it was encoded (lame's tag makes it gapless).
    EXPECT_EQ(tally->frames, static_cast<int64_t>(44100 * 0.4) + static_cast<int64_t>(44100 * 0.7) + static_cast<int64_t>(44100 * 0.2));
    EXPECT_EQ(tally->opens, 3);
}

TEST(Player, StopFromAnotherThreadEndsAFedStream) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, "a.mp3", 2.0);
    std::ifstream in(mp3, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto bytes = std::as_bytes(std::span(chars));

    auto capture = std::make_shared<Capture>();
    capture->gateOpen = false;
    player::Player player(CaptureTo(capture));
    std::string error;
    auto stream = player.CreateStreamDecoder(error);
    ASSERT_TRUE(stream);
    ASSERT_EQ(stream->Start(), player::kEngineOk);
    std::atomic<int> code{player::kEngineOk};
    std::thread feeder([&] {
        for (size_t at = 0; at < bytes.size(); at += 4096) {
            code = stream->FeedAndDecode(bytes.subspan(at, std::min<size_t>(4096, bytes.size() - at)));
            if (code != player::kNeedMoreData) return;
        }
    });
    ASSERT_TRUE(capture->WaitFor([&] { return capture->writesWaiting > 0; }));
    EXPECT_EQ(player.State(), PlayerState::kPlaying);
    player.Stop();
    feeder.join();
    EXPECT_EQ(code, player::kEngineStopped);
    EXPECT_TRUE(capture->aborted);
    EXPECT_EQ(stream->Step(), player::kEngineStopped);
    EXPECT_EQ(player.State(), PlayerState::kIdle);
    stream.reset();
    EXPECT_TRUE(capture->closed);
}

TEST(Player, CallsFromManyThreadsAtOnce) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    std::vector<std::filesystem::path> files{MakeMp3(dir, "a.mp3", 0.3), MakeMp3(dir, "b.mp3", 0.2)};
    dir.Write("c.ogg", "not played");
    files.push_back(dir.path() / "c.ogg");
    std::vector<char> chars;
    {
        std::ifstream in(files[0], std::ios::binary);
        chars.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::atomic<int> autoPlays{0};
    auto tally = std::make_shared<player::NullSinkTally>();
    player::Player player([tally] { return std::make_unique<player::NullSink>(tally); });
    player.SetEndOfTrackHandler([&](player::TrackEnd) {
        if (autoPlays.fetch_add(1) % 3 == 0) player.Play(files[1]);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(t);
            for (int i = 0; i < 120; ++i) {
                switch (random() % 8) {
                    case 0:
                    case 1:
                        player.Play(files[random() % files.size()]);
                        break;
                    case 2:
                        player.Pause();
                        break;
                    case 3:
                        player.Resume();
                        break;
                    case 4:
                        player.Stop();
                        break;
                    case 5:
                        player.SetVolume(static_cast<int>(random() % 101));
                        break;
                    case 6: {
                        std::string error;
                        if (auto stream = player.CreateStreamDecoder(error); stream && stream->Start() == player::kEngineOk) {
                            stream->FeedAndDecode(std::as_bytes(std::span(chars)).first(8192));
                        }
                        break;
                    }
                    default:
                        (void)player.State(), (void)player.Position(), (void)player.Info();
                        break;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();

    // Still whole: a last track plays from start to end.
    player.Stop();
    TrackEndWaiter ended(player);
    tally->frames = 0;
    ASSERT_TRUE(player.Play(files[0]).ok());
    ASSERT_EQ(ended.Wait(), player::TrackEnd::kFinished);
    EXPECT_EQ(tally->frames, static_cast<int64_t>(44100 * 0.3));
}

TEST(SinkChoice, NamesTheOutputs) {
    TestProfile dir;
    auto wavPath = dir.path() / "out.wav";
    for (const std::string& name : {std::string("null"), "wav:" + wavPath.string(), std::string("pulse"), std::string("")}) {
        auto factory = player::SinkFactoryFor(name);
        ASSERT_TRUE(factory) << name;
        EXPECT_TRUE(*factory && (*factory)()) << name;
    }
    auto wav = (*player::SinkFactoryFor("wav:" + wavPath.string()))();
    ASSERT_TRUE(wav->Open({8000, 1}).ok);
    std::vector<int16_t> samples{1, -2, 3};
    ASSERT_TRUE(wav->Write(samples));
    wav->Close();
    auto written = ReadWav(wavPath);
    EXPECT_TRUE(written.valid);
    EXPECT_EQ(written.sampleRate, 8000);
    EXPECT_EQ(written.samples, samples);
    for (const char* bad : {"wav:", "alsa", "nul", "WAV:/tmp/x"}) EXPECT_FALSE(player::SinkFactoryFor(bad)) << bad;
}

}  // namespace
}  // namespace tandril::test
