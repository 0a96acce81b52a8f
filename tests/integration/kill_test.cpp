// A client killed (SIGKILL) at random moments while it rewrites its settings and shared.dat and
// writes a download: every file is the old or the new version, never a torn one, the download is
// whole under its name or not there at all, and the client starts again each time.
// TANDRIL_KILLS sets the number of kills (scripts/kill_test.sh runs 200).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/atomic_file.h"
#include "support/child_process.h"
#include "support/media_fixtures.h"
#include "support/test_profile.h"

using namespace tandril;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// What is wrong with the files of the profile that have references: "" when each is byte for
// byte one of its two versions.
std::string TornFiles(const fs::path& profile, const fs::path& references) {
    std::string torn;
    for (const auto& entry : fs::directory_iterator(references)) {
        const fs::path reference = entry.path();
        if (reference.extension() != ".0") continue;
        const std::string name = reference.stem().string();
        const auto got = platform::ReadWholeFile(profile / name);
        if (got != platform::ReadWholeFile(reference) && got != platform::ReadWholeFile(references / (name + ".1")))
            torn += name + " is neither version (" + std::to_string(got ? got->size() : 0) + " bytes); ";
    }
    return torn;
}

}  // namespace

TEST(Kill, AClientKilledAnywhereLeavesEveryFileWholeAndStartsAgain) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test file (scripts/setup.sh)";
    const char* setting = std::getenv("TANDRIL_KILLS");
    const int kills = setting ? std::atoi(setting) : 8;
    test::TestProfile work;
    {
        // Long enough that kills land while it is being written: the same frames many times over.
        const auto frames = platform::ReadWholeFile(test::EncodeMp3(work, "source", 40, 44100, "-b 192 --cbr -t"));
        ASSERT_TRUE(frames);
        std::ofstream out(work.path() / "song.mp3", std::ios::binary);
        for (int i = 0; i < 25; ++i) out << *frames;
    }
    const auto song = platform::ReadWholeFile(work.path() / "song.mp3");
    const fs::path profile = work.path() / "profile", references = work.path() / "reference";
    const fs::path saved = work.path() / "downloads" / "song.mp3";

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        fs::remove_all(references);
        test::ChildProcess busy({BUSY_CLIENT_BINARY, work.path().string()});
        ASSERT_TRUE(busy.Started());
        // The client writes its references once it started: reading what the last kill left worked.
        const auto until = std::chrono::steady_clock::now() + 60s;
        while (!fs::exists(references / "ready") && busy.Running() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(busy.Running()) << "the client did not start again";
        ASSERT_TRUE(fs::exists(references / "ready"));
        // The moment of the kill, not a wait for anything.
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 400)(random)));
        busy.Signal(SIGKILL);
        busy.Wait(10s);

        EXPECT_EQ(TornFiles(profile, references), "");
        if (fs::exists(saved)) {
            EXPECT_TRUE(platform::ReadWholeFile(saved) == song) << "the download is cut under its own name";
        }
        if (HasFailure()) break;
    }
}
