#include "library/my_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "base/shared_folders.h"
#include "library/file_types.h"
#include "library/media_inspection.h"
#include "platform/atomic_file.h"
#include "session/account.h"
#include "support/media_fixtures.h"
#include "support/session.h"

using namespace tandril;
using namespace tandril::library;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A music folder of real MP3 files: two in Music/Rock (folder part Music/), one in
// Music/Rock/Live (folder part Music/Rock/), and a text file that no type takes.
struct MusicFolder {
    test::TestProfile dir;
    fs::path music = dir.path() / "Music";
    std::vector<fs::path> files;

    MusicFolder() {
        fs::create_directories(music / "Rock/Live");
        auto shortSong = test::EncodeMp3(dir, "short", 2, 44100, "-b 128 --cbr -t");
        auto longSong = test::EncodeMp3(dir, "long", 3, 44100, "-b 192 --cbr");
        files = {music / "Rock/a.mp3", music / "Rock/b.mp3", music / "Rock/Live/c.mp3"};
        fs::copy_file(shortSong, files[0]);
        fs::copy_file(longSong, files[1]);
        fs::copy_file(shortSong, files[2]);
        std::ofstream(music / "Rock/notes.txt") << "not music";
    }
    std::string Folder() const { return music.string(); }
};

// What the client must have announced for a file: the inspector's values under the virtual name.
devserver::SharedFile Expected(const fs::path& file, const std::string& virtualName) {
    auto size = static_cast<std::uint32_t>(fs::file_size(file));
    auto info = InspectMp3File(file, size);
    EXPECT_TRUE(info) << file;
    return {
        virtualName, info->hash, size, static_cast<int>(info->bitrate), static_cast<int>(info->frequency), static_cast<int>(info->length)};
}

std::vector<std::string> Names(const std::vector<devserver::SharedFile>& files) {
    std::vector<std::string> names;
    for (const auto& f : files) names.push_back(f.virtualName);
    std::sort(names.begin(), names.end());
    return names;
}

// A session that looks at the frames the client sent.
struct SharingSession : test::Session {
    std::vector<devserver::Frame> FramesOfType(const std::string& user, int type) {
        std::vector<devserver::Frame> frames;
        for (auto& f : server.FramesFrom(user)) {
            if (f.type == type) frames.push_back(f);
        }
        return frames;
    }
};

}  // namespace

TEST(MyFiles, DevServerHoldsExactlyTheSharedFilesWithTheirHashes) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    SharingSession s;
    s.StoreSharing("ann", {m.Folder()});
    ASSERT_TRUE(s.StartOnline("ann"));
    const std::string music = m.music.string();
    // Folders are walked in name order: Live/c.mp3 (folder part Music/Rock/) comes first, then
    // Rock/a.mp3 and b.mp3 (folder part Music/).
    std::vector<devserver::SharedFile> expected = {Expected(m.files[2], "1:\\1\\Live\\c.mp3"), Expected(m.files[0], "2:\\2\\Rock\\a.mp3"),
                                                   Expected(m.files[1], "2:\\2\\Rock\\b.mp3")};
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("ann").size() == 3; }));
    auto held = s.server.SharedFilesOf("ann");
    std::sort(held.begin(), held.end(), [](auto& a, auto& b) { return a.virtualName < b.virtualName; });
    EXPECT_EQ(held, expected);
    EXPECT_EQ(expected[0].hash, expected[1].hash);  // the same audio, the same hash
    // One 870 per folder; the text file was not shared.
    auto batches = s.FramesOfType("ann", 870);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].payload.rfind("\"1:\\1\\\" \"Live\\c.mp3\" ", 0), 0u) << batches[0].payload;
    EXPECT_EQ(batches[1].payload.rfind("\"2:\\2\\\" \"Rock\\a.mp3\" ", 0), 0u) << batches[1].payload;
    EXPECT_EQ(s.client->state.sharedFileCount, 3);
    EXPECT_EQ(s.client->main.StatusText(0), "Online (ann): Sharing 3 files.");
    // shared.dat holds the three files, and the library view their rows.
    auto dat = platform::ReadWholeFile(s.profile.path() / "shared.dat");
    ASSERT_TRUE(dat);
    EXPECT_NE(dat->find("\"" + m.files[1].string() + "\" " + expected[2].hash + " " + std::to_string(expected[2].size) + " 192 44100 "),
              std::string::npos)
        << *dat;
    EXPECT_EQ(std::count(dat->begin(), dat->end(), '\n'), 3);
    auto rows = s.client->library.view.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name(), "Live\\c.mp3");
    EXPECT_EQ(rows[1].name(), "Rock\\a.mp3");

    // A dropped connection forgets the announcements; the reconnect announces everything once more.
    ASSERT_TRUE(s.server.Disconnect("ann"));
    ASSERT_TRUE(s.server.WaitOffline("ann", 5s));
    ASSERT_TRUE(test::RunUntil([&] { return s.server.IsOnline("ann") && s.server.SharedFilesOf("ann").size() == 3; }));
    EXPECT_EQ(s.FramesOfType("ann", 870).size(), 4u);
}

TEST(MyFiles, NoUploadSlotsMeansNothingAnnouncedAndACountOfZero) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    SharingSession s;
    s.StoreSharing("bob", {m.Folder()}, 0);
    s.ui.Script({Answer::No});  // "Enable file server?"
    ASSERT_TRUE(s.StartOnline("bob"));
    EXPECT_EQ(s.client->state.sharedFileCount, 0);
    EXPECT_EQ(s.client->main.StatusText(0), "Online (bob): Sharing 0 files.");
    EXPECT_EQ(s.client->library.view.Rows().size(), 3u);  // the library is still built
    s.client->link.SendServerMessage(750, "sync");
    ASSERT_TRUE(s.server.WaitFor("bob", 750, 5s));
    EXPECT_TRUE(s.FramesOfType("bob", 870).empty());
}

TEST(MyFiles, AFileStillInResumeDatIsCountedButNotAnnounced) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    SharingSession s;
    s.StoreSharing("cat", {m.Folder()});
    s.profile.Write("resume.dat", "\"" + m.files[1].string() + "\" 123456 abc-1\n");
    ASSERT_TRUE(s.StartOnline("cat"));
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("cat").size() == 2; }));
    EXPECT_EQ(Names(s.server.SharedFilesOf("cat")), (std::vector<std::string>{"1:\\1\\Live\\c.mp3", "2:\\2\\Rock\\a.mp3"}));
    EXPECT_EQ(s.client->state.sharedFileCount, 3);
}

TEST(MyFiles, RenameDeletePruneAndUnshareKeepTheServerInStep) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    SharingSession s;
    s.StoreSharing("dan", {m.Folder()});
    ASSERT_TRUE(s.StartOnline("dan"));
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("dan").size() == 3; }));
    Client& c = *s.client;
    const std::string a = m.files[0].string(), b = m.files[1].string(), live = m.files[2].string();

    // Rename: refused when the name is taken, then done and announced under the new name.
    EXPECT_FALSE(RenameLibraryFile(c.library, a, "b"));
    EXPECT_EQ(s.ui.Texts("alert").back(), "File already exists! Please try again.");
    s.ui.Script({Answer::No});
    EXPECT_FALSE(RenameLibraryFile(c.library, a, "new"));
    EXPECT_TRUE(fs::exists(a));
    EXPECT_TRUE(RenameLibraryFile(c.library, a, "new"));
    EXPECT_EQ(s.ui.Texts("question").back(), "Rename 'a.mp3' to 'new.mp3'?");
    const std::string renamed = (m.music / "Rock/new.mp3").string();
    EXPECT_TRUE(fs::exists(renamed));
    ASSERT_TRUE(s.server.WaitFor("dan", 100, 5s));
    auto unshares = s.FramesOfType("dan", 102);
    ASSERT_EQ(unshares.size(), 1u);
    EXPECT_EQ(unshares[0].payload, "2:\\2\\Rock\\a.mp3");  // the bare name
    EXPECT_EQ(s.FramesOfType("dan", 100)[0].payload.rfind("\"2:\\2\\Rock\\new.mp3\" ", 0), 0u);
    ASSERT_TRUE(test::RunUntil([&] { return Names(s.server.SharedFilesOf("dan")).back() == "2:\\2\\Rock\\new.mp3"; }));
    EXPECT_EQ(Names(s.server.SharedFilesOf("dan")),
              (std::vector<std::string>{"1:\\1\\Live\\c.mp3", "2:\\2\\Rock\\b.mp3", "2:\\2\\Rock\\new.mp3"}));
    EXPECT_EQ(c.state.sharedFileCount, 3);
    EXPECT_NE(platform::ReadWholeFile(s.profile.path() / "shared.dat")->find(renamed), std::string::npos);
    EXPECT_EQ(ResolveVirtualName(c.library, "2:\\2\\Rock\\new.mp3"), renamed);
    for (const char* bad : {"", "..", "x/y"}) {
        EXPECT_FALSE(RenameLibraryFile(c.library, renamed, bad)) << bad;
        EXPECT_EQ(s.ui.Texts("alert").back(), "Unable to rename file. Invalid argument");
    }

    // Delete: No keeps the file; Yes removes it from disk, the list, the view and the server.
    s.ui.Script({Answer::No});
    EXPECT_EQ(DeleteLibraryFiles(c.library, {b}), 0);
    EXPECT_TRUE(fs::exists(b));
    EXPECT_EQ(DeleteLibraryFiles(c.library, {b}), 1);
    EXPECT_EQ(s.ui.Texts("question").back(), "Delete b.mp3 from file list and disk?");
    EXPECT_FALSE(fs::exists(b));
    EXPECT_EQ(DeleteLibraryFiles(c.library, {b}), 0);
    EXPECT_EQ(s.ui.Texts("alert").back(), "Unable to delete b.mp3!");
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("dan").size() == 2; }));
    EXPECT_EQ(c.state.sharedFileCount, 2);
    EXPECT_EQ(c.library.view.Rows().size(), 2u);

    // Prune: Music/Rock/Live alone stays shared; the other file is withdrawn.
    {
        std::scoped_lock lock(c.state.sharedFoldersLock);
        c.state.sharedFolders = {(m.music / "Rock/Live").string()};
    }
    PruneSharedList(c.library);
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("dan").size() == 1; }));
    EXPECT_EQ(s.server.SharedFilesOf("dan")[0].virtualName, "1:\\1\\Live\\c.mp3");
    EXPECT_EQ(c.library.view.Rows().size(), 1u);
    EXPECT_EQ(c.main.StatusText(0), "Online (dan): Sharing 1 files.");

    UnshareAllFiles(c.library);
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("dan").empty(); }));
    EXPECT_EQ(c.state.sharedFileCount, 0);
    // Announcing again shares what is left.
    AnnounceSharedFiles(c.library, false);
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("dan").size() == 1; }));
    EXPECT_EQ(s.FramesOfType("dan", 102).size(), 4u);  // rename, delete, prune, unshare: never a 404
}

TEST(MyFiles, ACompletedDownloadJoinsTheLibraryWhenDownloadsAreShared) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    SharingSession s;
    s.StoreSharing("eve", {m.Folder()});
    ASSERT_TRUE(s.StartOnline("eve"));
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("eve").size() == 3; }));
    Client& c = *s.client;
    fs::path saveFolder = s.profile.path() / "Downloads";
    fs::create_directories(saveFolder);
    c.state.EditSettings()->savePath = saveFolder.string();
    fs::path download = saveFolder / "got.mp3";
    fs::copy_file(m.files[1], download);
    const auto size = static_cast<std::uint32_t>(fs::file_size(download));

    // Not shared: "Share Save Folder" is off and no shared folder lies in the save folder's path.
    InspectDownloadedFile(c.library, download.string(), size);
    EXPECT_EQ(c.state.sharedFileCount, 3);

    test::ScriptedUi quiet;
    SetShareSaveFolder(c.store, c.state, quiet, true);
    InspectDownloadedFile(c.library, download.string(), size);
    EXPECT_EQ(c.state.sharedFileCount, 4);
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("eve").size() == 4; }));
    auto held = s.server.SharedFilesOf("eve").back();
    EXPECT_EQ(held.hash, Expected(m.files[1], "").hash);
    EXPECT_EQ(held.virtualName.substr(held.virtualName.find('\\', 3) + 1), "Downloads\\got.mp3");
    EXPECT_EQ(c.library.view.Rows().size(), 4u);
    EXPECT_NE(platform::ReadWholeFile(s.profile.path() / "shared.dat")->find(download.string()), std::string::npos);

    // A file no inspector takes is not shared.
    fs::path junk = saveFolder / "junk.mp3";
    std::ofstream(junk) << std::string(5000, 'j');
    InspectDownloadedFile(c.library, junk.string(), 5000);
    EXPECT_EQ(c.state.sharedFileCount, 4);
}

TEST(MyFiles, RebuildTrustsSharedDatOnlyWhereItStillMatchesTheFile) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    test::TestProfile profile;
    test::ScriptedUi ui;
    Client c(ui, ClientOptions{profile.path()});
    ASSERT_TRUE(RegisterBundledFileTypes(c.store, BundledPluginFolder()));
    c.library.fileTypes = *LoadFileTypes(c.store);
    c.state.sharedFolders = {m.Folder()};
    const std::string a = m.files[0].string(), b = m.files[1].string(), live = m.files[2].string();
    const auto sizeA = fs::file_size(a), sizeB = fs::file_size(b);
    const std::string realHashB = Expected(m.files[1], "").hash;
    fs::path outside = m.dir.path() / "elsewhere.mp3";
    fs::copy_file(m.files[0], outside);
    profile.Write("shared.dat",
                  // trusted as it stands: a hash with '-' and the file's size
                  "\"" + a + "\" made-up-hash " + std::to_string(sizeA) + " 1 2 3\n" +
                      // no '-': the plug-in inspects the file again
                      "  \"" + b + "\" nodash " + std::to_string(sizeB) + " 1 2 3  \r\n" +
                      // another size: dropped, then found by the walk as a new file
                      "\"" + live + "\" stale-hash 12 1 2 3\n" +
                      // gone, outside the shared folders, no size, empty
                      "\"" + m.Folder() + "/gone.mp3\" x-1 100 1 2 3\n\"" + outside.string() + "\" x-1 " + std::to_string(sizeA) +
                      " 1 2 3\n\"" + a + "\"\n\n");
    BuildMyFiles(c.library);
    EXPECT_EQ(c.state.sharedFileCount, 3);
    std::lock_guard lock(c.library.sharedList.lock);
    ASSERT_EQ(c.library.sharedList.size(), 3u);
    auto it = c.library.sharedList.records().begin();
    EXPECT_EQ(it->path, a);
    EXPECT_EQ(it->hash, "made-up-hash");
    EXPECT_EQ(it->bitrate, 1);
    ++it;
    EXPECT_EQ(it->path, b);
    EXPECT_EQ(it->hash, realHashB);
    EXPECT_EQ(it->bitrate, 192);
    ++it;
    EXPECT_EQ(it->path, live);
    EXPECT_EQ(it->hash, Expected(m.files[2], "").hash);
    EXPECT_EQ(std::count_if(c.library.sharedList.records().begin(), c.library.sharedList.records().end(), [](auto& r) { return r.listed; }),
              3);
    // shared.dat now says what the list holds.
    EXPECT_EQ(*platform::ReadWholeFile(profile.path() / "shared.dat"),
              "\"" + a + "\" made-up-hash " + std::to_string(sizeA) + " 1 2 3\n" +
                  SharedDatLine(*std::next(c.library.sharedList.records().begin())) + SharedDatLine(c.library.sharedList.records().back()));
}

// A start that finds the library as it left it writes nothing; one that finds a file gone writes
// the list again without it.
TEST(MyFiles, SharedDatIsRewrittenOnlyWhenTheLibraryChanged) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    test::TestProfile profile;
    const fs::path dat = profile.path() / "shared.dat";
    auto build = [&] {
        test::ScriptedUi ui;
        Client c(ui, ClientOptions{profile.path()});
        EXPECT_TRUE(RegisterBundledFileTypes(c.store, BundledPluginFolder()));
        c.library.fileTypes = *LoadFileTypes(c.store);
        c.state.sharedFolders = {m.Folder()};
        BuildMyFiles(c.library);
        return c.state.sharedFileCount.load();
    };
    auto inode = [&] {
        struct stat st {};
        EXPECT_EQ(::stat(dat.c_str(), &st), 0);
        return st.st_ino;
    };
    EXPECT_EQ(build(), 3);
    const std::string first = *platform::ReadWholeFile(dat);
    const auto firstInode = inode();
    EXPECT_EQ(build(), 3);
    EXPECT_EQ(inode(), firstInode);  // a rewrite goes through tmp.dat and a rename: a new inode
    EXPECT_EQ(*platform::ReadWholeFile(dat), first);
    fs::remove(m.files[1]);
    EXPECT_EQ(build(), 2);
    const std::string second = *platform::ReadWholeFile(dat);
    EXPECT_EQ(second.find(m.files[1].string()), std::string::npos);
    EXPECT_NE(second.find(m.files[2].string()), std::string::npos);
}

// A refresh reads every new file with no lock held: a request for a shared file that comes while
// it reads (here held back by a slow plug-in) is answered at once, not after the refresh.
TEST(MyFiles, ARefreshDoesNotHoldUpRequestsForFiles) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    MusicFolder m;
    SharingSession s;
    s.StoreSharing("ann", {m.Folder()});
    {
        ASSERT_TRUE(RegisterBundledFileTypes(s.client->store, TANDRIL_BUNDLED_PLUGINS));
        ConfigKey key = s.client->store.CreateKey(std::string(kFileTypesKey) + "\\BLOCK");
        s.client->store.SetValue(key, "Extension", ".blk");
        s.client->store.SetValue(key, "Validate", std::string(TANDRIL_TEST_PLUGINS) + "/libblocking-plugin.so");
        s.client->store.SetValue(key, "URL", "No URL");
        ConfigKey types = *s.client->store.OpenKey(kFileTypesKey);
        s.client->store.SetValue(types, "Enum", "3");
        s.client->store.SetValue(types, "FilesToScan", "MP3;WMA;BLOCK");
        ASSERT_TRUE(s.client->store.Flush());
    }
    ASSERT_TRUE(s.StartOnline("ann"));
    ASSERT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("ann").size() == 3; }));
    const std::string name = s.server.SharedFilesOf("ann").front().virtualName;
    const fs::path slow = m.music / "Slow";
    fs::create_directories(slow);
    std::ofstream(slow / "held.blk") << "x";

    s.client->RunConnectingDialog([](Client& c) { library::ReloadSharedFiles(c.library); });
    ASSERT_TRUE(test::RunUntil([&] { return fs::exists(slow / "started"); }, 5s));
    ASSERT_TRUE(s.server.SendTo("ann", 607, "mallory \"" + name + "\" 3"));
    EXPECT_TRUE(test::RunUntil([&] { return !s.FramesOfType("ann", 608).empty(); }, 5s));
    std::ofstream(slow / "go") << "";
    ASSERT_TRUE(test::RunUntil([&] { return !s.client->dialog.IsOpen(); }, 15s));
    EXPECT_TRUE(fs::exists(slow / "released"));
    EXPECT_FALSE(fs::exists(slow / "timed-out")) << "the request waited for the refresh";
    EXPECT_TRUE(test::RunUntil([&] { return s.server.SharedFilesOf("ann").size() == 4; }));
}
