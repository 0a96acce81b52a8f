#include "platform/file_probe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/test_profile.h"

namespace fs = std::filesystem;
using tandril::platform::FileProbe;

namespace {

void WriteBytes(const fs::path& path, std::size_t count) {
    std::ofstream(path, std::ios::binary) << std::string(count, 'x');
}

}  // namespace

// One probe walks files of several folders in turn, coming back to a folder it left, as the
// lines of a library list do.
TEST(FileProbe, GivesTheSizeOfReadableRegularFilesOnly) {
    tandril::test::TestProfile dir;
    const fs::path a = dir.path() / "a", b = dir.path() / "b";
    fs::create_directories(a / "sub");
    fs::create_directories(b);
    WriteBytes(a / "one.mp3", 10);
    WriteBytes(a / "empty.mp3", 0);
    WriteBytes(b / "two.mp3", 20);
    fs::create_symlink(b / "two.mp3", a / "link.mp3");
    fs::create_symlink(b / "missing.mp3", a / "dangling.mp3");
    struct Case {
        fs::path path;
        std::optional<std::uint64_t> size;
    } cases[] = {
        {a / "one.mp3", 10},      {a / "empty.mp3", 0},
        {b / "two.mp3", 20},      {a / "link.mp3", 20},
        {a / "dangling.mp3", {}}, {a / "sub", {}},
        {a / "gone.mp3", {}},     {dir.path() / "nowhere" / "x.mp3", {}},
        {a / "one.mp3", 10},      {a / "sub" / ".." / "one.mp3", 10},
    };
    FileProbe probe;
    for (const Case& c : cases) EXPECT_EQ(probe.ReadableFileSize(c.path.string()), c.size) << c.path;
}

TEST(FileProbe, SeesAFolderThatChangedSinceItLastLooked) {
    tandril::test::TestProfile dir;
    WriteBytes(dir.path() / "x.mp3", 5);
    FileProbe probe;
    EXPECT_EQ(probe.ReadableFileSize((dir.path() / "x.mp3").string()), 5u);
    fs::remove(dir.path() / "x.mp3");
    WriteBytes(dir.path() / "y.mp3", 7);
    EXPECT_EQ(probe.ReadableFileSize((dir.path() / "x.mp3").string()), std::nullopt);
    EXPECT_EQ(probe.ReadableFileSize((dir.path() / "y.mp3").string()), 7u);
}

TEST(FileProbe, AFileThatCannotBeReadIsNotGiven) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser may read every file";
    tandril::test::TestProfile dir;
    const fs::path locked = dir.path() / "locked.mp3";
    WriteBytes(locked, 3);
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(FileProbe().ReadableFileSize(locked.string()), std::nullopt);
}
