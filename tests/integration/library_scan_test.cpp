#include "library/library_scan.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "app/client.h"
#include "library/scan_drives.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::library;
namespace fs = std::filesystem;

namespace {

// A file-type table with MP3 and WMA types (their modules are not needed to collect files).
FileTypeTable Types() {
    FileTypeTable table;
    table.slots.push_back(FileType{"MP3", ".mp3", "", "", "", "No URL", 2, nullptr});
    table.slots.push_back(FileType{"WMA", ".wma", "", "", "", "No URL", 3, nullptr});
    return table;
}

struct Tree {
    test::TestProfile dir;
    std::string root = dir.path().string();
    void File(const std::string& relative, std::size_t size = 10) {
        fs::create_directories((dir.path() / relative).parent_path());
        std::ofstream(dir.path() / relative) << std::string(size, 'x');
    }
    void Folder(const std::string& relative) { fs::create_directories(dir.path() / relative); }
    std::string At(const std::string& relative) const { return root + "/" + relative; }
};

}  // namespace

TEST(LibraryScan, WalkCollectsTheFilesOfTheScanTypes) {
    Tree t;
    t.File("Music/A/song.MP3", 1234);
    t.File("Music/A/song.mp3.txt");
    t.File("Music/B/other.wma");
    t.File("Music/.hidden/secret.mp3");
    t.File("Music/noextension");
    t.File("Music/B/shared.mp3");
    FileTypeTable types = Types();
    ScanContext context{&types, {"MP3"}, [&](const std::string& p) { return p == t.At("Music/B/shared.mp3"); }};
    std::vector<PendingFile> pending;
    EXPECT_EQ(WalkDirectory(context, t.root, pending), 1);
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, t.At("Music/A/song.MP3"));
    EXPECT_EQ(pending[0].size, 1234u);
    EXPECT_EQ(pending[0].hash, "WMA-FILE");
    // Walking again adds nothing: what is pending is not collected twice.
    EXPECT_EQ(WalkDirectory(context, t.root, pending), 0);
    context.scanTypes = {"mp3", "WMA", ""};
    EXPECT_EQ(WalkDirectory(context, t.root, pending), 1);  // other.wma
}

TEST(LibraryScan, LinkLoopsAndUnreadableFoldersEndTheWalk) {
    Tree t;
    t.File("Music/a.mp3");
    fs::create_directory_symlink(t.dir.path() / "Music", t.dir.path() / "Music/loop");
    fs::create_directory_symlink(t.dir.path(), t.dir.path() / "Music/up");
    FileTypeTable types = Types();
    ScanContext context{&types, {"MP3"}, {}};
    std::vector<PendingFile> pending;
    EXPECT_EQ(WalkDirectory(context, t.root, pending), 1);
    EXPECT_EQ(WalkDirectory(context, t.At("nowhere"), pending), 0);
    EXPECT_EQ(WalkDirectory(context, "", pending), 0);
}

// Music kept elsewhere and linked into a shared folder is found, under the link's path.
TEST(LibraryScan, LinkedFoldersAreWalked) {
    Tree t;
    t.File("Elsewhere/Album/track.mp3");
    t.Folder("Music");
    fs::create_directory_symlink(t.dir.path() / "Elsewhere/Album", t.dir.path() / "Music/Album");
    FileTypeTable types = Types();
    ScanContext context{&types, {"MP3"}, {}};
    std::vector<PendingFile> pending;
    EXPECT_EQ(WalkDirectory(context, t.At("Music"), pending), 1);
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].path, t.At("Music/Album/track.mp3"));
}

// Only local fixed disks are scanned: not network shares, virtual file systems or removable media.
TEST(LibraryScan, DiskRootsAreLocalFixedDisks) {
    const std::string mounts =
        "/dev/vda1 / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "server:/export /mnt/nfs nfs4 rw 0 0\n"
        "//nas/music /mnt/nas cifs rw 0 0\n"
        "me@host:/ /mnt/ssh fuse.sshfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sdb1 /media/me/USB vfat rw 0 0\n"
        "/dev/sdc1 /mnt/stick exfat rw 0 0\n"
        "/dev/vdb1 /srv/My\\040Music xfs rw 0 0\n"
        "overlay /var/lib/x overlay rw 0 0\n"
        "/dev/vda1 / ext4 rw 0 0\n";
    auto removable = [](const std::string& device) { return device == "/dev/sdc1"; };
    EXPECT_EQ(DiskRoots(mounts, removable), (std::vector<std::string>{"/", "/srv/My Music"}));
}

// A disk scan does not walk into another file system mounted inside the disk (in a mount namespace
// of a child process, where a small memory file system is mounted for the test).
TEST(LibraryScan, AScanStaysOnItsDisk) {
    Tree t;
    t.File("disk/Music/here.mp3");
    t.Folder("disk/mounted");
    const std::string mounted = t.At("disk/mounted");
    const std::string root = t.At("disk");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mounted.c_str(), "tmpfs", 0, "size=1m") != 0) {
            ::_exit(77);
        }
        std::ofstream(mounted + "/there.mp3") << "x";
        FileTypeTable types = Types();
        std::vector<PendingFile> pending;
        ScanContext scan{&types, {"MP3"}, {}, true};
        const int onDisk = WalkDirectory(scan, root, pending);
        ScanContext shared{&types, {"MP3"}, {}};
        pending.clear();
        const int everywhere = WalkDirectory(shared, root, pending);
        ::_exit(onDisk == 1 && everywhere == 2 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "mounting in a namespace of our own needs root (CI runs as root)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the scan walked into the mounted file system";
}

TEST(LibraryScan, ExcludedFolders) {
    for (const char* excluded : {"/proc", "/SYS", "c:\\Recycler", "C:\\WINDOWS\\Temporary Internet Files"}) {
        EXPECT_TRUE(IsExcludedDirectory(excluded)) << excluded;
    }
    for (const char* walked : {"/proc/self", "D:\\recycler", "/home/user/recycler"}) {
        EXPECT_FALSE(IsExcludedDirectory(walked)) << walked;
    }
}

TEST(LibraryScan, CommonParents) {
    struct Case {
        const char* a;
        const char* b;
        std::optional<std::string> parent;
    };
    const Case cases[] = {
        {"/home/u/Music/A", "/home/u/Music/B", "/home/u/Music"},
        {"/home/u/Music", "/home/u/Music/B", "/home/u/Music"},
        {"/home/u/Music/B/C", "/home/u/Music", "/home/u/Music"},
        {"/a/x", "/b/y", std::nullopt},  // only the root in common
        {"/abc/x", "/abd/y", std::nullopt},
        {"/home/u/A", "/media/B", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(CommonParentFolder(c.a, c.b), c.parent) << c.a << " " << c.b;
}

TEST(LibraryScan, CollapseMergesIntoParentsWhereMostSubfoldersHoldFiles) {
    {
        Tree t;
        t.File("Music/A/x.mp3");
        t.File("Music/B/y.mp3");
        std::vector<PendingFile> pending{{t.At("Music/A/x.mp3")}, {t.At("Music/B/y.mp3")}};
        EXPECT_EQ(CollapseScanFolders(pending), std::vector<std::string>{t.At("Music")});
    }
    {
        Tree t;
        t.File("Music/A/x.mp3");
        t.File("Music/B/y.mp3");
        t.Folder("Music/C");
        t.Folder("Music/D");
        t.Folder("Music/E");  // more subfolders without candidates than with: no merge (a tie merges)
        std::vector<PendingFile> pending{{t.At("Music/A/x.mp3")}, {t.At("Music/B/y.mp3")}};
        EXPECT_EQ(CollapseScanFolders(pending), (std::vector<std::string>{t.At("Music/A"), t.At("Music/B")}));
    }
}

TEST(LibraryScan, ScanDrivesProposesFoldersAndHonoursCancel) {
    Tree t;
    t.File("disk1/Music/A/x.mp3");
    t.File("disk1/Music/B/y.mp3");
    t.File("disk2/Other/z.wma");
    for (const char* empty : {"e1", "e2", "e3"}) t.Folder(empty);  // the two disks' common parent is mostly empty
    std::string mounts =
        "/dev/sda1 " + t.At("disk1") + " ext4 rw 0 0\n" + "proc /proc proc rw 0 0\n" + "/dev/sdb1 " + t.At("disk2") + " ext4 rw 0 0\n";
    EXPECT_EQ(DiskRoots(mounts), (std::vector<std::string>{t.At("disk1"), t.At("disk2")}));
    for (bool cancelled : {false, true}) {
        test::TestProfile profile;
        test::ScriptedUi ui;
        Client client(ui, ClientOptions{profile.path()});
        ui.Watch(client);
        client.library.fileTypes = Types();
        ConfigKey key = client.store.CreateKey(kFileTypesKey);
        client.store.SetValue(key, "FilesToScan", "MP3;WMA");
        profile.Write("shared.dat", "old list\n");
        client.state.connectCancelled = cancelled;
        std::vector<std::string> folders{t.At("disk2/Other")};
        ScanDrives(client.library, folders, mounts);
        EXPECT_FALSE(fs::exists(profile.path() / "shared.dat"));
        if (cancelled) {
            EXPECT_EQ(folders, std::vector<std::string>{t.At("disk2/Other")});  // nothing added
        } else {
            EXPECT_EQ(folders, (std::vector<std::string>{t.At("disk2/Other"), t.At("disk1/Music")}));
        }
        EXPECT_EQ(ui.Texts("dialog"), std::vector<std::string>{"Searching for files..."});
        auto lines = ui.Texts("dialog2");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "Scanning drive " + t.At("disk1") + "...");
    }
}
