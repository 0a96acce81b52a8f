// The PulseAudio output against a real server: a private daemon with a null sink, started by
// the test in a runtime folder of its own, and parec recording the sink's monitor.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "player/engine_codes.h"
#include "player/player.h"
#include "player/player_test_support.h"
#include "player/pulse_sink.h"
#include "support/child_process.h"
#include "support/media_fixtures.h"

namespace tandril::test {
namespace {

using namespace std::chrono_literals;
using player::PlayStatus;

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t start = 0; start <= dirs.size();) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        auto candidate = std::filesystem::path(dirs.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// `argv` run so that it is killed when this process ends, however it ends: a test that crashes
// must not leave a sound server or a recorder behind.
std::vector<std::string> DyingWithUs(std::vector<std::string> argv) {
    auto setpriv = FindProgram("setpriv");
    if (!setpriv.empty()) argv.insert(argv.begin(), {setpriv, "--pdeathsig", "KILL"});
    return argv;
}

// Waits for `done` with a bound, checking every 10 ms.
template <class Done>
bool Eventually(Done done, std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A pulseaudio daemon of this test's own: no configuration files, no session bus, a null sink,
// and a socket in a fresh runtime folder (also its home, so that it writes nothing elsewhere).
class PulseServer {
public:
    static constexpr const char* kSink = "tandril_test";

    PulseServer() {
        char pattern[] = "/tmp/tandril-pulse-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        dir_ = pattern;
        auto program = FindProgram("pulseaudio");
        if (program.empty()) return;
        daemon_ = std::make_unique<ChildProcess>(
            DyingWithUs({program, "-n", "--daemonize=no", "--use-pid-file=no", "--disable-shm=yes", "--exit-idle-time=-1",
                         "--log-level=error", "-L", std::string("module-null-sink sink_name=") + kSink + " rate=44100 channels=2", "-L",
                         "module-native-protocol-unix auth-anonymous=1 socket=" + (dir_ / "native").string()}),
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + dir_.string(), "HOME=" + dir_.string()});
        // Ready when a client gets through.
        ready_ = Eventually(
            [&] {
                player::PulseSink probe(Options());
                return probe.Connect().ok;
            },
            15s);
    }
    ~PulseServer() {
        if (daemon_) {
            daemon_->Signal(SIGCONT);
            daemon_->Signal(SIGTERM);
            daemon_->Wait(3s);
        }
        daemon_.reset();
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    bool ready() const { return ready_; }
    std::string address() const { return "unix:" + (dir_ / "native").string(); }
    player::PulseSink::Options Options() const {
        player::PulseSink::Options options;
        options.server = address();
        options.connectTimeout = 1000ms;
        return options;
    }
    void Signal(int signal) { daemon_->Signal(signal); }
    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::unique_ptr<ChildProcess> daemon_;
    bool ready_ = false;
};

#define REQUIRE_PULSEAUDIO()                                                                                         \
    if (FindProgram("pulseaudio").empty() || FindProgram("parec").empty())                                           \
    GTEST_SKIP() << "pulseaudio and parec are not installed (Debian: apt-get install pulseaudio pulseaudio-utils); " \
                    "scripts/setup.sh installs them"

// parec recording the null sink's monitor as raw 44.1 kHz stereo into a file.
class MonitorRecording {
public:
    MonitorRecording(const PulseServer& server, std::filesystem::path file) : file_(std::move(file)) {
        std::string command = "exec '" + FindProgram("parec") + "' --server='" + server.address() + "' --device=" + PulseServer::kSink +
                              ".monitor --raw --format=s16le --rate=44100 --channels=2 --latency-msec=20 > '" + file_.string() + "'";
        parec_ = std::make_unique<ChildProcess>(DyingWithUs({"/bin/sh", "-c", command}));
    }
    // Recording has begun once the monitor's silence starts arriving.
    bool WaitUntilRecording() {
        return Eventually([&] { return std::filesystem::exists(file_) && std::filesystem::file_size(file_) > 0; }, 10s);
    }
    size_t BytesSoFar() const { return std::filesystem::exists(file_) ? std::filesystem::file_size(file_) : 0; }
    // Stops recording; the frames whose louder channel passes `threshold`.
    int64_t LoudFrames(int threshold) {
        parec_->Signal(SIGTERM);
        parec_->Wait(3s);
        std::ifstream in(file_, std::ios::binary);
        int64_t loud = 0;
        int16_t frame[2];
        while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) loud += std::max(std::abs(frame[0]), std::abs(frame[1])) > threshold;
        return loud;
    }

private:
    std::filesystem::path file_;
    std::unique_ptr<ChildProcess> parec_;
};

std::filesystem::path MakeMp3(const TestProfile& dir, double seconds) {
    return EncodeWavWithLame(dir, WriteToneWav(dir, "tone.wav", seconds, 44100, 2), "tone.mp3", "-b 192 --cbr");
}

TEST(PulseAudio, PlaysThroughARealServerAndPausesWithoutLosingTheStream) {
    REQUIRE_PULSEAUDIO();
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, 1.5);
    PulseServer server;
    ASSERT_TRUE(server.ready()) << "the private pulseaudio daemon did not come up";
    MonitorRecording recording(server, dir.path() / "monitor.raw");
    ASSERT_TRUE(recording.WaitUntilRecording());

    auto options = server.Options();
    // Shorter than the pause below: a paused stream must not be taken for a server that stalled.
    options.stallTimeout = 1000ms;
    player::Player player([options] { return std::make_unique<player::PulseSink>(options); });
    TrackEndWaiter ended(player);
    auto result = player.Play(mp3);
    ASSERT_TRUE(result.ok()) << result.detail;
    ASSERT_TRUE(Eventually([&] { return player.Position() > 400ms; }, 10s));
    player.Pause();
    // The pause under test, 1.5 s in all. A write under way when it came may still finish in the
    // first moments; after that nothing is handed over.
    std::this_thread::sleep_for(300ms);
    auto held = player.Position();
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(player.Position(), held) << "nothing is handed over while paused";
    EXPECT_EQ(player.State(), player::PlayerState::kPaused);
    player.Resume();
    ASSERT_EQ(ended.Wait(30s), player::TrackEnd::kFinished);
    EXPECT_EQ(player.Position().count(), 1500);

    // What was drained has reached the monitor; a little more recording makes sure it is written.
    auto recorded = recording.BytesSoFar();
    ASSERT_TRUE(Eventually([&] { return recording.BytesSoFar() > recorded + 44100 * 4 / 5; }, 5s));
    int64_t loud = recording.LoudFrames(1000);
    // The tone peaks near 11,500: most of its 1.5 s of frames are well above 1,000, silence is 0.
    EXPECT_GT(loud, 44100 * 15 / 10 / 2) << "the monitor heard " << loud << " loud frames";
    EXPECT_LT(loud, 44100 * 15 / 10 + 4410);
}

TEST(PulseAudio, WithoutAServerTheDeviceErrorComesBackAtOnce) {
    // libpulse reads PULSE_SERVER when the sink names no server.
    const char* previous = std::getenv("PULSE_SERVER");
    std::string saved = previous ? previous : "";
    TestProfile dir;
    ::setenv("PULSE_SERVER", ("unix:" + (dir.path() / "no-such-socket").string()).c_str(), 1);
    player::PulseSink::Options options;
    options.connectTimeout = 5s;
    player::Player player([options] { return std::make_unique<player::PulseSink>(options); });

    auto start = std::chrono::steady_clock::now();
    std::string error;
    auto stream = player.CreateStreamDecoder(error);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Start(), player::kEngineDeviceError);
    stream.reset();
    if (HaveLame()) {
        auto result = player.Play(MakeMp3(dir, 0.5));
        EXPECT_EQ(result.status, PlayStatus::kDeviceError);
        EXPECT_FALSE(result.detail.empty());
    }
    // Refused at once, not after the connection's time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(player.State(), player::PlayerState::kIdle);
    if (previous) {
        ::setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
        ::unsetenv("PULSE_SERVER");
    }
}

TEST(PulseAudio, AServerThatStopsAnsweringCannotHangThePlayer) {
    REQUIRE_PULSEAUDIO();
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto mp3 = MakeMp3(dir, 5.0);
    PulseServer server;
    ASSERT_TRUE(server.ready()) << "the private pulseaudio daemon did not come up";
    // A listener on the monitor holds the null sink to parec's 20 ms latency, as a sound card's
    // would be; with none it renders two seconds at a time, which looks like a stall.
    MonitorRecording recording(server, dir.path() / "monitor.raw");
    ASSERT_TRUE(recording.WaitUntilRecording());
    auto options = server.Options();
    options.connectTimeout = 1000ms;
    options.stallTimeout = 1000ms;
    player::Player player([options] { return std::make_unique<player::PulseSink>(options); });
    TrackEndWaiter ended(player);

    // Playing when the server freezes: the output gives up after the stall time-out.
    ASSERT_TRUE(player.Play(mp3).ok());

    ASSERT_TRUE(Eventually([&] { return player.Position() > 300ms; }, 10s));
    server.Signal(SIGSTOP);
    auto frozen = std::chrono::steady_clock::now();
    EXPECT_EQ(ended.Wait(10s), player::TrackEnd::kDeviceError);
    EXPECT_LT(std::chrono::steady_clock::now() - frozen, 5s);

    // Opening against the frozen server: its socket accepts, its answer never comes.
    auto start = std::chrono::steady_clock::now();
    auto result = player.Play(mp3);
    EXPECT_EQ(result.status, PlayStatus::kDeviceError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

    // Stopping while the engine waits on the frozen server.
    server.Signal(SIGCONT);
    ASSERT_TRUE(player.Play(mp3).ok());
    ASSERT_TRUE(Eventually([&] { return player.Position() > 300ms; }, 10s));
    server.Signal(SIGSTOP);
    std::this_thread::sleep_for(100ms);  // lets the engine run into the frozen server's full buffer
    start = std::chrono::steady_clock::now();
    player.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);  // not held up by the frozen server
    server.Signal(SIGCONT);
}

}  // namespace
}  // namespace tandril::test
