// The player panel's commands against the real player and its engines, with a capturing output:
// playlists, play from either list, next and previous with Shuffle and Repeat, the end of a
// track, the device alert and the remembered playlist.

#include "playlist/player_panel.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

#include "base/settings.h"
#include "platform/atomic_file.h"
#include "player/pulse_sink.h"
#include "support/media_fixtures.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;
using player::PlayerState;

// What every output of a test's player heard, and whether they take sound (a closed gate is a
// device that takes nothing: a track then plays until it is stopped).
struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int16_t> samples;
    bool gateOpen = false;
    std::vector<int16_t> Samples() {
        std::scoped_lock lock(mutex);
        return samples;
    }
};

// One playback's output; its stop is its own, unlike the record it writes to.
class HeardSink : public player::AudioSink {
public:
    explicit HeardSink(std::shared_ptr<Heard> heard) : heard_(std::move(heard)) {}
    player::SinkResult Connect() override { return {}; }
    player::SinkResult Open(const player::AudioFormat&) override { return {}; }
    bool Write(std::span<const int16_t> samples) override {
        std::unique_lock lock(heard_->mutex);
        heard_->changed.wait(lock, [&] { return aborted_ || heard_->gateOpen; });
        if (aborted_) return false;
        heard_->samples.insert(heard_->samples.end(), samples.begin(), samples.end());
        return true;
    }
    bool Drain() override { return true; }
    void SetPaused(bool) override {}
    void Abort() override {
        std::scoped_lock lock(heard_->mutex);
        aborted_ = true;
        heard_->changed.notify_all();
    }
    void Close() override {}

private:
    std::shared_ptr<Heard> heard_;
    bool aborted_ = false;  // under heard_->mutex
};

player::SinkFactory HeardBy(std::shared_ptr<Heard> heard) {
    return [heard] { return std::make_unique<HeardSink>(heard); };
}

// A panel on a real player and its engines.
struct Panel {
    explicit Panel(bool gateOpen = false) {
        capture->gateOpen = gateOpen;
        rt.state.EditAccount()->userName = "ann";
    }
    // Short MP3 files named `names`, in this test's folder.
    std::vector<std::string> Files(std::initializer_list<const char*> names) {
        if (!fs::exists(dir.path() / "tone.mp3")) {
            EncodeWavWithLame(dir, WriteToneWav(dir, "tone.wav", 0.3, 44100, 2), "tone.mp3", "-b 128 --cbr");
        }
        std::vector<std::string> paths;
        for (const char* name : names) {
            fs::copy_file(dir.path() / "tone.mp3", dir.path() / name, fs::copy_options::overwrite_existing);
            paths.push_back((dir.path() / name).string());
        }
        return paths;
    }
    std::string Playing() const { return fs::path(panel.NowPlaying()).filename().string(); }
    std::vector<std::string> Alerts() const { return ui.Texts("alert-modeless"); }

    TestProfile dir;
    ScriptedUi ui;
    Runtime rt{ui, dir.path()};
    std::shared_ptr<Heard> capture = std::make_shared<Heard>();
    player::Player player{HeardBy(capture)};
    playlist::PlayerPanel panel{rt, player};
};

#define NEEDS_LAME() \
    if (!HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)"

TEST(PlayerPanel, LoadingSelectsTheFirstEntryAndAFailedLoadChangesNothing) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"a.mp3", "b.mp3"});
    p.dir.Write("two.m3u", "a.mp3\nb.mp3\n");
    p.dir.Write("empty.m3u", "# nothing here\n\n");
    ASSERT_TRUE(p.panel.LoadPlaylist((p.dir.path() / "two.m3u").string()));
    EXPECT_EQ(p.panel.Entries(), files);
    EXPECT_EQ(p.panel.Current(), 0);
    EXPECT_EQ(p.panel.Selection(), std::vector<int>{0});
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);  // a load alone plays nothing

    const std::string missing = (p.dir.path() / "gone.m3u").string();
    EXPECT_FALSE(p.panel.LoadPlaylist(missing));
    EXPECT_EQ(p.Alerts(), std::vector<std::string>{"Unable to open specified playlist " + missing + "!"});
    EXPECT_EQ(p.panel.Entries(), files);

    ASSERT_TRUE(p.panel.LoadPlaylist((p.dir.path() / "empty.m3u").string()));
    EXPECT_TRUE(p.panel.Entries().empty());
    EXPECT_EQ(p.panel.Current(), -1);
    EXPECT_TRUE(p.panel.Selection().empty());
    p.panel.PlayFromPlaylist();  // nothing to play
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
}

TEST(PlayerPanel, TheLoadCommandStartsThePlaylistOnlyWhenNothingPlays) {
    NEEDS_LAME();
    Panel p;
    p.Files({"a.mp3", "b.mp3"});
    p.dir.Write("one.m3u", "a.mp3\n");
    p.dir.Write("two.m3u", "b.mp3\n");
    p.panel.LoadPlaylistCommand((p.dir.path() / "one.m3u").string());
    EXPECT_EQ(p.player.State(), PlayerState::kPlaying);
    EXPECT_EQ(p.Playing(), "a.mp3");
    EXPECT_TRUE(p.panel.PlayingFromPlaylist());
    p.panel.LoadPlaylistCommand((p.dir.path() / "two.m3u").string());
    EXPECT_EQ(p.Playing(), "a.mp3");  // what plays goes on
    EXPECT_EQ(p.rt.state.settings().lastPlayList, (p.dir.path() / "two.m3u").string());
}

TEST(PlayerPanel, TheLastPlaylistIsRememberedRestoredWithoutPlayingAndForgottenOnClear) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"a.mp3", "b.mp3"});
    p.panel.AddToPlaylist(files);
    const fs::path saved = p.dir.path() / "saved.m3u";
    p.panel.SavePlaylist(saved.string());
    EXPECT_EQ(platform::ReadWholeFile(saved), files[0] + "\n" + files[1] + "\n");
    auto userKey = [&] { return p.rt.store.OpenKey(std::string(kRootKey) + "\\ann"); };
    ASSERT_TRUE(userKey());
    EXPECT_EQ(p.rt.store.GetValue(*userKey(), "LastPlayList"), saved.string());

    // The next run: the settings bring the name back, the panel loads it and stays silent.
    {
        ScriptedUi ui;
        Runtime rt(ui, p.dir.path());
        rt.state.EditSettings()->lastPlayList = saved.string();
        player::Player player(HeardBy(std::make_shared<Heard>()));
        playlist::PlayerPanel panel(rt, player);
        panel.RestoreLastPlayList();
        EXPECT_EQ(panel.Entries(), files);
        EXPECT_EQ(panel.Current(), 0);
        EXPECT_EQ(player.State(), PlayerState::kIdle);
    }

    p.panel.ClearPlaylist();
    EXPECT_TRUE(p.panel.Entries().empty());
    EXPECT_FALSE(p.rt.store.GetValue(*userKey(), "LastPlayList"));
    EXPECT_TRUE(p.rt.state.settings().lastPlayList.empty());

    // An empty playlist is not saved; a file that cannot be written is said so.
    p.panel.SavePlaylist((p.dir.path() / "nothing.m3u").string());
    EXPECT_FALSE(fs::exists(p.dir.path() / "nothing.m3u"));
    p.panel.AddToPlaylist({files[0]});
    const std::string bad = (p.dir.path() / "no/folder/x.m3u").string();
    p.panel.SavePlaylist(bad);
    EXPECT_EQ(p.Alerts(), std::vector<std::string>{"Unable to save specified playlist " + bad + "!"});
}

TEST(PlayerPanel, PlayingFromTheLibraryList) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"a.mp3", "b.mp3"});
    p.dir.Write("notes.txt", "x");
    p.panel.PlayFromMyFiles({});
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    p.panel.PlayFromMyFiles(files);
    EXPECT_EQ(p.Alerts(), std::vector<std::string>{"To play multiple files, you must add them to the playlist!"});
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);

    p.panel.PlayFromMyFiles({files[1]});
    EXPECT_EQ(p.player.State(), PlayerState::kPlaying);
    EXPECT_EQ(p.Playing(), "b.mp3");
    EXPECT_FALSE(p.panel.PlayingFromPlaylist());
    // Another kind of file: what played was stopped first, then nothing starts and nothing is said.
    p.panel.PlayFromMyFiles({(p.dir.path() / "notes.txt").string()});
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    EXPECT_EQ(p.Alerts().size(), 1u);

    // "Default Media Player": the desktop opens the file, the built-in player stays out of it.
    p.rt.state.EditSettings()->player = "Default";
    p.panel.PlayFromMyFiles({files[0]});
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    EXPECT_EQ(p.ui.Texts("open-url"), std::vector<std::string>{"file://" + files[0]});
}

TEST(PlayerPanel, ADownloadStillWrittenUnderAnotherNamePlaysByTheNameItWillTake) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"song.mp3.part"});
    const std::string name = (p.dir.path() / "song.mp3").string();
    // By its own ending the file is nothing the player takes.
    p.panel.PlayFromMyFiles(files);
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    p.panel.PlayDownloadFile(files[0], name);
    EXPECT_EQ(p.player.State(), PlayerState::kPlaying);
    EXPECT_EQ(p.Playing(), "song.mp3.part");
    EXPECT_FALSE(p.panel.PlayingFromPlaylist());
    // The name also chooses the desktop's player, which gets the file that exists.
    p.rt.state.EditSettings()->player = "Default";
    p.panel.PlayDownloadFile(files[0], name);
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    ASSERT_EQ(p.ui.Texts("open-url").size(), 1u);
    EXPECT_EQ(p.ui.Texts("open-url").front(), "file://" + files[0]);
    EXPECT_TRUE(p.Alerts().empty());
}

TEST(PlayerPanel, PauseAndThePlayButtonResumeTheSameTrack) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"a.mp3", "b.mp3"});
    p.panel.AddToPlaylist(files);
    p.panel.Select({1}, 1);
    p.panel.PlayButton(true, {files[0]});
    EXPECT_EQ(p.Playing(), "b.mp3");
    p.panel.PauseButton();
    EXPECT_EQ(p.player.State(), PlayerState::kPaused);
    EXPECT_FALSE(p.panel.TrackInfo().empty());
    p.panel.PlayButton(false, {files[0]});  // resumes; the library's selection is not played
    EXPECT_EQ(p.player.State(), PlayerState::kPlaying);
    EXPECT_EQ(p.Playing(), "b.mp3");
    p.panel.PauseButton();
    p.panel.PauseButton();
    EXPECT_EQ(p.player.State(), PlayerState::kPlaying);
    p.panel.Stop();
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    EXPECT_EQ(p.panel.TrackInfo(), "");
}

TEST(PlayerPanel, NextCountsOverTheWholeRunAndRepeatSetsTheCountBack) {
    NEEDS_LAME();
    Panel p;
    p.Files({"a.mp3", "b.mp3", "c.mp3"});
    p.dir.Write("abc.m3u", "a.mp3\nb.mp3\nc.mp3\n");
    const std::string list = (p.dir.path() / "abc.m3u").string();
    ASSERT_TRUE(p.panel.LoadPlaylist(list));
    p.panel.PlayFromPlaylist();
    EXPECT_EQ(p.Playing(), "a.mp3");
    p.panel.Next();
    EXPECT_EQ(p.Playing(), "b.mp3");
    EXPECT_EQ(p.panel.Selection(), std::vector<int>{1});
    p.panel.Next();
    EXPECT_EQ(p.Playing(), "c.mp3");
    EXPECT_EQ(p.panel.AdvanceCount(), 2u);
    // Neither a new load nor Play sets the count back: the third Next of the run stops.
    ASSERT_TRUE(p.panel.LoadPlaylist(list));
    p.panel.PlayFromPlaylist();
    EXPECT_EQ(p.Playing(), "a.mp3");
    p.panel.Next();
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    EXPECT_FALSE(p.panel.PlayingFromPlaylist());
    EXPECT_EQ(p.panel.AdvanceCount(), 3u);
    p.panel.Next();  // not playing from the playlist any more: Next only stops
    EXPECT_EQ(p.panel.AdvanceCount(), 3u);

    // With Repeat the playlist goes round, wrapping after the last entry, and the count is 0.
    p.panel.SetRepeat(true);
    p.panel.Select({2}, 2);
    p.panel.PlayFromPlaylist();
    p.panel.Next();
    EXPECT_EQ(p.Playing(), "a.mp3");
    EXPECT_EQ(p.panel.AdvanceCount(), 0u);
    for (int i = 0; i < 7; ++i) p.panel.Next();
    EXPECT_EQ(p.Playing(), "b.mp3");
    p.panel.Previous();
    p.panel.Previous();
    EXPECT_EQ(p.Playing(), "c.mp3");  // below the first entry comes the last
    EXPECT_EQ(p.panel.Current(), 2);
}

TEST(PlayerPanel, ShuffleNeverRepeatsTheEntryThatPlaysUnlessItIsTheOnlyOne) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"a.mp3", "b.mp3", "c.mp3"});
    p.panel.SetShuffle(true);
    p.panel.SetRepeat(true);
    p.panel.AddToPlaylist({files[0]});
    p.panel.Select({0}, 0);
    p.panel.PlayFromPlaylist();
    p.panel.Next();
    EXPECT_EQ(p.Playing(), "a.mp3");
    EXPECT_EQ(p.player.State(), PlayerState::kPlaying);

    p.panel.AddToPlaylist({files[1], files[2]});
    std::set<std::string> heard;
    std::string last = p.Playing();
    for (int i = 0; i < 40; ++i) {
        p.panel.Next();
        ASSERT_NE(p.Playing(), last);
        last = p.Playing();
        heard.insert(last);
    }
    EXPECT_EQ(heard.size(), 3u);
}

TEST(PlayerPanel, NextPassesOverEntriesThatCannotBeOpenedAndGivesUpSilently) {
    NEEDS_LAME();
    Panel p;
    auto files = p.Files({"a.mp3", "c.mp3"});
    const std::string gone = (p.dir.path() / "gone.mp3").string();
    p.panel.SetRepeat(true);
    p.panel.AddToPlaylist({files[0], gone, files[1]});
    p.panel.Select({0}, 0);
    p.panel.PlayFromPlaylist();
    p.panel.Next();
    EXPECT_EQ(p.Playing(), "c.mp3");
    EXPECT_EQ(p.panel.Current(), 2);

    p.panel.ClearPlaylist();
    p.panel.AddToPlaylist({gone, gone + "2"});
    p.panel.Select({0}, 0);
    p.panel.PlayFromPlaylist();  // the chosen entry itself cannot be opened: the device alert
    EXPECT_EQ(p.Alerts(), std::vector<std::string>{playlist::kDeviceAlert});
    p.panel.Next();  // two entries, two failed tries, not a word
    EXPECT_EQ(p.player.State(), PlayerState::kIdle);
    EXPECT_EQ(p.Alerts().size(), 1u);
}

TEST(PlayerPanel, TheEndOfATrackPlaysTheNextEntryOnlyWhenPlayingFromThePlaylist) {
    NEEDS_LAME();
    Panel p(true);
    auto files = p.Files({"a.mp3", "b.mp3", "c.mp3"});
    p.panel.AddToPlaylist(files);
    p.panel.Select({0}, 0);
    p.panel.PlayFromPlaylist();
    // a, b and c each play to their end; after c the count reaches 3 and the playlist stops.
    ASSERT_TRUE(RunUntil([&] { return !p.panel.PlayingFromPlaylist(); }));
    EXPECT_EQ(p.panel.AdvanceCount(), 3u);
    EXPECT_EQ(p.panel.Current(), 2);
    const std::size_t oneTrack = p.capture->Samples().size() / 3;
    EXPECT_GT(oneTrack, 0u);

    p.panel.PlayFromMyFiles({files[0]});
    ASSERT_TRUE(RunUntil([&] { return p.capture->Samples().size() == 4 * oneTrack; }));
    // Nothing follows a track from the library list.
    RunUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(p.capture->Samples().size(), 4 * oneTrack);
    EXPECT_EQ(p.panel.AdvanceCount(), 3u);
}

TEST(PlayerPanel, WithoutASoundServerThePlayerSaysSoAndNothingElseHappens) {
    NEEDS_LAME();
    Panel source;
    auto files = source.Files({"a.mp3"});
    ScriptedUi ui;
    TestProfile dir;
    Runtime rt(ui, dir.path());
    player::Player player([] {
        player::PulseSink::Options options;
        options.server = "unix:/nonexistent/tandril-no-server";
        return std::make_unique<player::PulseSink>(options);
    });
    playlist::PlayerPanel panel(rt, player);
    panel.AddToPlaylist(files);
    panel.Select({0}, 0);
    panel.PlayFromPlaylist();
    EXPECT_EQ(ui.Texts("alert-modeless"), std::vector<std::string>{playlist::kDeviceAlert});
    EXPECT_EQ(player.State(), PlayerState::kIdle);
    EXPECT_EQ(panel.NowPlaying(), "");
    EXPECT_EQ(panel.TrackInfo(), "");
}

}  // namespace
}  // namespace tandril::test
