#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "chat/chat_commands.h"
#include "platform/atomic_file.h"
#include "support/child_process.h"
#include "support/media_fixtures.h"
#include "support/network_user.h"
#include "transfer/transfers.h"

using namespace tandril;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Runs tandril-cli as `user` against the devserver, the event loop of this process (where the
// sharer lives) turning meanwhile; its exit code, or -1 when it did not end.
int RunCli(devserver::DevServer& server, const test::TestProfile& profile, const std::string& user, std::vector<std::string> extra,
           const std::string& password = "pw") {
    std::vector<std::string> argv{TANDRIL_CLI_BINARY,
                                  "--profile",
                                  profile.path().string(),
                                  "--redirector",
                                  "127.0.0.1:" + std::to_string(server.RedirectorPort()),
                                  "--user=" + user,
                                  "--password=" + password,
                                  "--save=" + (profile.path() / "Downloads").string()};
    argv.insert(argv.end(), extra.begin(), extra.end());
    test::ChildProcess cli(argv, {"TANDRIL_PLUGIN_DIR=" TANDRIL_BUNDLED_PLUGINS});
    if (!test::RunUntil([&] { return !cli.Running(); }, 30s)) return -1;
    return cli.Wait(1s).value_or(-1);
}

}  // namespace

TEST(CommandLine, SearchesDownloadsAndSaysHowItEnded) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    const fs::path song = test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr -t");
    fs::copy_file(song, music.path() / "Music/Harbour Lights.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort()}};
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));

    struct Case {
        std::vector<std::string> options;
        int exitCode;
        bool downloaded;
    };
    const Case cases[] = {
        {{"--search=harbour", "--download=1"}, 0, true},  {{"--search=harbour"}, 0, false},    {{"--search=nothing-like-it"}, 3, false},
        {{"--search=harbour", "--download=2"}, 3, false}, {{"--line-speed=eleven"}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.front());
        test::TestProfile bob;
        EXPECT_EQ(RunCli(server, bob, "bob", c.options), c.exitCode);
        const fs::path got = bob.path() / "Downloads/Harbour Lights.mp3";
        EXPECT_EQ(fs::exists(got), c.downloaded);
        if (c.downloaded) {
            EXPECT_EQ(platform::ReadWholeFile(got), platform::ReadWholeFile(song));
        }
    }
}

// A refused login ends the command-line client with 5, every time, with or without a search; a
// password with a blank is refused before anything is sent (it would shift the login's fields).
TEST(CommandLine, ARefusedLoginAlwaysEndsOffline) {
    devserver::DevServer server;
    server.AddAccount("bob", "right");
    for (int i = 0; i < 5; ++i) {
        test::TestProfile bob;
        EXPECT_EQ(RunCli(server, bob, "bob", {"--search=anything"}, "wrong"), 5) << i;
        test::TestProfile serving;
        EXPECT_EQ(RunCli(server, serving, "bob", {}, "wrong"), 5) << i;
    }
    test::TestProfile blank;
    EXPECT_EQ(RunCli(server, blank, "carl", {"--search=anything"}, "open sesame"), 2);
    EXPECT_FALSE(server.IsOnline("carl"));
    for (const auto& f : server.FramesFrom("carl")) EXPECT_NE(f.type, 2);
}

// An uploader whose queue stays full answers 620: the client waits, and the command-line client
// gives up after --wait seconds with exit code 4.
TEST(CommandLine, ADownloadThatNeverStartsIsGivenUpAfterTheWait) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    fs::copy_file(test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr -t"), music.path() / "Music/Harbour Lights.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort()}};
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    // One upload to bob already waits for him: with one upload per user, his next request is queued.
    ann.client->state.EditSettings()->maxUploads = 1;
    {
        auto lock = ann.client->transfers.lists.Take(true);
        auto waiting = std::make_unique<transfer::TransferRecord>(true, "bob", "/elsewhere.mp3", "h", 10, 0, 0,
                                                                  ann.client->transfers.lists.NextRowId(), transfer::TransferNow());
        transfer::AddTransfer(ann.client->transfers, lock, std::move(waiting));
    }
    test::TestProfile bob;
    EXPECT_EQ(RunCli(server, bob, "bob", {"--search=harbour", "--download=1", "--wait=2"}), 4);
    EXPECT_TRUE(server.WaitFor("ann", 619, 1s));
}

// --join: the lines of standard input are said in the channel (commands too), and the channel's
// lines are printed as they arrive.
TEST(CommandLine, JoinsAChannelSaysItsInputAndPrintsWhatIsSaid) {
    devserver::DevServer server;
    ASSERT_TRUE(server.Ok());
    test::NetworkUser ann(server, "ann", 8);
    ASSERT_TRUE(ann.GoOnline(server));
    ann.client->channels.JoinOrShow("#cli");
    ASSERT_TRUE(test::RunUntil([&] { return ann.client->chat.Find("#cli") != nullptr; }));

    test::TestProfile carl;
    const fs::path input = carl.path() / "input.txt", output = carl.path() / "output.txt";
    ASSERT_TRUE(platform::WriteFileAtomically(input, "hello from the script\n/me waves", carl.path() / "input.tmp"));
    std::vector<std::string> argv{"/bin/sh",
                                  "-c",
                                  "exec \"$0\" \"$@\" < \"$IN\" > \"$OUT\"",
                                  TANDRIL_CLI_BINARY,
                                  "--profile",
                                  carl.path().string(),
                                  "--redirector",
                                  "127.0.0.1:" + std::to_string(server.RedirectorPort()),
                                  "--user=carl",
                                  "--password=pw",
                                  "--join=cli"};
    test::ChildProcess cli(argv, {"IN=" + input.string(), "OUT=" + output.string(), "TANDRIL_PLUGIN_DIR=" TANDRIL_BUNDLED_PLUGINS});
    auto annSees = [&](const std::string& line) {
        return test::RunUntil([&] {
            for (const auto& l : ann.client->chat.Find("#cli")->chatView.Lines()) {
                if (l.plain.trimmed().toStdString() == line) return true;
            }
            return false;
        });
    };
    EXPECT_TRUE(annSees("<carl> hello from the script")) << platform::ReadWholeFile(output).value_or("");
    EXPECT_TRUE(annSees("* carl waves"));
    chat::RunChatLine(ann.client->channels, *ann.client->chat.Find("#cli"), "hi script");
    EXPECT_TRUE(
        test::RunUntil([&] { return platform::ReadWholeFile(output).value_or("").find("[#cli] <ann> hi script") != std::string::npos; }));
    cli.Signal(SIGTERM);
    EXPECT_TRUE(cli.Wait(10s).has_value() || !cli.Running());
}

// While the library inspects new files the command line shows one progress line, not a line per
// file: rewritten in place on a terminal, a line every few seconds (and the last) into a file.
TEST(CommandLine, TheLibraryShowsItsProgressOnOneLine) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    const fs::path song = test::EncodeMp3(music, "song", 1, 44100, "-b 128 --cbr -t");
    fs::create_directories(music.path() / "Many");
    for (int i = 0; i < 300; ++i) fs::create_hard_link(song, music.path() / "Many" / ("track " + std::to_string(i) + ".mp3"));

    for (bool terminal : {false, true}) {
        SCOPED_TRACE(terminal ? "terminal" : "file");
        test::TestProfile bob;
        const fs::path output = bob.path() / "output.txt";
        std::string command = std::string("'") + TANDRIL_CLI_BINARY + "' --profile '" + bob.path().string() +
                              "' --redirector 127.0.0.1:" + std::to_string(server.RedirectorPort()) +
                              " --user=bob --password=pw --share='" + (music.path() / "Many").string() + "' --exit-after-startup";
        // script(1) gives the client a terminal of its own.
        if (terminal) command = "script -qfec \"" + command + "\" /dev/null";
        test::ChildProcess cli({"/bin/sh", "-c", command + " > '" + output.string() + "' 2>&1"},
                               {"TANDRIL_PLUGIN_DIR=" TANDRIL_BUNDLED_PLUGINS});
        ASSERT_TRUE(test::RunUntil([&] { return !cli.Running(); }, 60s));
        const std::string text = platform::ReadWholeFile(output).value_or("");
        EXPECT_NE(text.find("[progress] 300 of 300 files (100%)"), std::string::npos) << text;
        EXPECT_EQ(text.find("] 1 of 300\n"), std::string::npos) << "a line per file";
        std::size_t lines = 0, inPlace = 0;
        for (std::size_t at = 0; (at = text.find("[progress]", at)) != std::string::npos; ++at) {
            ++lines;
            if (at > 0 && text[at - 1] == '\r') ++inPlace;
        }
        EXPECT_GE(lines, 1u);
        if (terminal) {
            EXPECT_EQ(inPlace, lines) << text;
        } else {
            EXPECT_EQ(inPlace, 0u) << text;
            EXPECT_LE(lines, 3u) << text;  // the run lasts a few seconds at most
        }
    }
}

TEST(CommandLine, ResumesEveryListedFileAndSaysHowEachEnded) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    devserver::DevServer server;
    test::TestProfile music;
    fs::create_directories(music.path() / "Music");
    const fs::path song = test::EncodeMp3(music, "song", 2, 44100, "-b 128 --cbr -t");
    fs::copy_file(song, music.path() / "Music/Harbour Lights.mp3");
    test::NetworkUser ann{server, "ann", {.folders = {(music.path() / "Music").string()}, .dataPort = test::FreePort()}};
    ASSERT_TRUE(ann.GoOnline(server));
    ASSERT_TRUE(test::RunUntil([&] { return server.SharedFilesOf("ann").size() == 1; }));
    const devserver::SharedFile shared = server.SharedFilesOf("ann").front();
    const std::string bytes = *platform::ReadWholeFile(song);

    // Half of the file waits in bob's Incomplete folder; a second entry is a file nobody shares.
    test::TestProfile bob;
    fs::create_directories(bob.path() / "Incomplete");
    const fs::path partial = bob.path() / "Incomplete/Harbour Lights.mp3", orphan = bob.path() / "Incomplete/orphan.mp3";
    ASSERT_TRUE(platform::WriteFileAtomically(partial, bytes.substr(0, bytes.size() / 2)));
    ASSERT_TRUE(platform::WriteFileAtomically(orphan, "abc"));
    ASSERT_TRUE(platform::WriteFileAtomically(bob.path() / "resume.dat", "\"" + partial.string() + "\" " + std::to_string(shared.size) +
                                                                             " " + shared.hash + "\n\"" + orphan.string() +
                                                                             "\" 1000 0123456789abcdef0123456789abcdef-1000\n"));
    EXPECT_EQ(RunCli(server, bob, "bob", {"--resume"}), 4);  // one of the two could not be resumed
    EXPECT_EQ(platform::ReadWholeFile(bob.path() / "Downloads/Harbour Lights.mp3"), bytes);
    EXPECT_EQ(platform::ReadWholeFile(orphan), "abc");  // kept for another try
    EXPECT_EQ(platform::ReadWholeFile(bob.path() / "resume.dat"),
              "\"" + orphan.string() + "\" 1000 0123456789abcdef0123456789abcdef-1000\n");
}
