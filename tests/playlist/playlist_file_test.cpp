// Playlist files: the line rule for M3U and PLS, writing them back, the choice of player and the
// read-outs' texts.

#include "playlist/playlist_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "playlist/player_choice.h"
#include "playlist/readouts.h"
#include "support/test_profile.h"

namespace tandril::test {
namespace {

namespace fs = std::filesystem;
using playlist::PlayerRoute;

// Runs with the current folder somewhere else than the playlist's, so that a relative entry can
// only be found through the playlist's own folder.
struct ElsewhereCwd {
    ElsewhereCwd() : old(fs::current_path()) { fs::current_path(other.path()); }
    ~ElsewhereCwd() { fs::current_path(old); }
    TestProfile other;
    fs::path old;
};

TEST(PlaylistFile, OnePathALineByTheLiteralRule) {
    TestProfile dir;
    fs::create_directories(dir.path() / "sub");
    dir.Write("sub/a.mp3", "x");
    dir.Write("b song.mp3", "x");
    fs::create_directories(dir.path() / "folder.mp3");
    const std::string a = (dir.path() / "sub/a.mp3").string();
    const std::string b = (dir.path() / "b song.mp3").string();
    ElsewhereCwd cwd;
    cwd.other.Write("here.mp3", "x");  // found as written, relative to the current folder
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"comments and blanks only", "#EXTM3U\n\n   \n#EXTINF:12,Title\n\r\n", {}},
        {"blanks around, CR LF", "   " + a + "   \r\n" + b + "\r\n", {a, b}},
        {"relative to the playlist's folder",
         "sub/a.mp3\nb song.mp3\n",
         {dir.path().string() + "/sub/a.mp3", dir.path().string() + "/b song.mp3"}},
        {"relative to the current folder first", "here.mp3\n", {"here.mp3"}},
        {"the usual PLS form names no file", "[playlist]\nFile1=" + a + "\nTitle1=A\nLength1=3\nNumberOfEntries=1\nVersion=2\n", {}},
        {"missing files and folders are skipped", "missing.mp3\n" + a + "\nfolder.mp3\n/nowhere/x.mp3\n", {a}},
        {"a tab is part of the name", "\t" + a + "\n", {}},
        {"a comment is only a line that starts with #", "  #" + a + "\n", {}},
        {"text after a CR is cut", a + "\rjunk\n", {a}},
        {"no final line feed", a, {a}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        for (const char* name : {"list.m3u", "list.pls"}) {
            dir.Write(name, k.text);
            auto read = playlist::ReadPlaylistFile((dir.path() / name).string());
            ASSERT_TRUE(read);
            EXPECT_EQ(*read, k.entries) << name;
        }
    }
    EXPECT_FALSE(playlist::ReadPlaylistFile((dir.path() / "none.m3u").string()));
    EXPECT_FALSE(playlist::ReadPlaylistFile(dir.path().string()));  // a folder is no playlist
}

TEST(PlaylistFile, ALineLongerThanAnEntryNamesNothing) {
    TestProfile dir;
    const std::string longName(340, 'n');
    dir.Write(longName + ".mp3", "x");
    const std::string path = (dir.path() / (longName + ".mp3")).string();
    ASSERT_GT(path.size(), playlist::kMaxEntryPath);
    dir.Write("list.m3u", path + "\n");
    EXPECT_EQ(*playlist::ReadPlaylistFile((dir.path() / "list.m3u").string()), std::vector<std::string>{});
}

TEST(PlaylistFile, WritesEachShortEnoughPathWithALineFeedAndNoHeader) {
    TestProfile dir;
    const std::vector<std::string> entries = {"/m/a.mp3", std::string(350, 'x'), "/m/b c.wma"};
    for (const char* name : {"out.m3u", "out.pls"}) {
        ASSERT_TRUE(playlist::WritePlaylistFile((dir.path() / name).string(), entries));
        EXPECT_EQ(platform::ReadWholeFile(dir.path() / name), "/m/a.mp3\n/m/b c.wma\n") << name;
    }
    EXPECT_FALSE(playlist::WritePlaylistFile((dir.path() / "no/such/folder/out.m3u").string(), entries));
}

TEST(PlayerChoice, ByExtensionAndThePlayerSetting) {
    struct Case {
        const char* path;
        const char* setting;
        PlayerRoute route;
    };
    const Case cases[] = {
        {"/m/a.mp3", "Internal", PlayerRoute::kInternal},    {"/m/a.MP2", "internal", PlayerRoute::kInternal},
        {"/m/a.mp3", "Default", PlayerRoute::kDesktop},      {"/m/a.mp3", "Other", PlayerRoute::kDesktop},
        {"/m/a.wma", "Internal", PlayerRoute::kInternal},    {"/m/a.WMA", "Other", PlayerRoute::kInternal},
        {"/m/a.wma", "Default", PlayerRoute::kDesktop},      {"/m/a.ogg", "Internal", PlayerRoute::kNothing},
        {"/m/a.mp3.txt", "Internal", PlayerRoute::kNothing}, {"/m/track.mp3.", "Internal", PlayerRoute::kNothing},
        {"/m/mp3", "Internal", PlayerRoute::kNothing},       {"/m/a.ogg", "Default", PlayerRoute::kNothing},
    };
    for (const Case& k : cases) EXPECT_EQ(playlist::RouteFor(k.path, k.setting), k.route) << k.path << " " << k.setting;
}

TEST(Readouts, TrackInformationAndElapsedTime) {
    player::StreamInfo mpeg{.codec = player::Codec::kMpeg, .mpegVersion = 2, .layer = 3, .bitrateKbps = 64, .sampleRate = 22050};
    EXPECT_EQ(playlist::TrackInfoText(mpeg), "MPEG 2 Layer 3, 64 kbps, 22050 Hz");
    player::StreamInfo wma{.codec = player::Codec::kWma, .bitrateKbps = 128, .sampleRate = 44100};
    EXPECT_EQ(playlist::TrackInfoText(wma), "WMA, 128 kbps, 44100 Hz");
    EXPECT_EQ(playlist::TrackInfoText({}), "Playing unknown file type!");
    using std::chrono::milliseconds;
    EXPECT_EQ(playlist::ElapsedText(milliseconds(0)), "00:00:00");
    EXPECT_EQ(playlist::ElapsedText(milliseconds(59'999)), "00:00:59");
    EXPECT_EQ(playlist::ElapsedText(milliseconds(3'723'000)), "01:02:03");
    EXPECT_EQ(playlist::ElapsedText(milliseconds(100 * 3'600'000LL)), "100:00:00");
}

}  // namespace
}  // namespace tandril::test
