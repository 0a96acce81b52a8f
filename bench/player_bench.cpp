// The player's engines: CPU spent decoding a minute of 320 kbps MP3 into the null sink, and the
// time from Play to the first sample reaching the sink. Files are made with lame and ffmpeg at
// start, in a temporary folder removed at exit.
//
//   build/release/bench/player_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

#include "player/mpg123_decoder.h"
#include "player/null_sink.h"
#include "player/player.h"

using namespace tandril::player;

namespace {

constexpr double kSeconds = 60.0;
constexpr int kRate = 44100;

class BenchFiles {
public:
    BenchFiles() {
        dir_ = std::filesystem::temp_directory_path() / ("tandril-player-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        auto wav = dir_ / "minute.wav";
        WriteTone(wav);
        mp3_ = dir_ / "minute-320.mp3";
        wma_ = dir_ / "minute-128.wma";
        Run("lame --quiet -b 320 --cbr '" + wav.string() + "' '" + mp3_.string() + "'");
        Run("ffmpeg -nostdin -loglevel error -y -i '" + wav.string() + "' -c:a wmav2 -b:a 128k '" + wma_.string() + "'");
    }
    ~BenchFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const std::filesystem::path& mp3() const { return mp3_; }
    const std::filesystem::path& wma() const { return wma_; }

private:
    static void Run(const std::string& command) {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "player_bench: failed: %s\n", command.c_str());
            std::exit(1);
        }
    }
    // A minute of stereo music-like sound: two sweeps and some noise, so that 320 kbps is spent.
    static void WriteTone(const std::filesystem::path& path) {
        const auto frames = static_cast<uint32_t>(kSeconds * kRate);
        std::ofstream out(path, std::ios::binary);
        auto put = [&](uint32_t v, int n) {
            for (int i = 0; i < n; ++i) out.put(static_cast<char>(v >> (8 * i)));
        };
        out.write("RIFF", 4);
        put(36 + frames * 4, 4);
        out.write("WAVEfmt ", 8);
        put(16, 4), put(1, 2), put(2, 2), put(kRate, 4), put(kRate * 4, 4), put(4, 2), put(16, 2);
        out.write("data", 4);
        put(frames * 4, 4);
        uint32_t noise = 1;
        for (uint32_t i = 0; i < frames; ++i) {
            double t = static_cast<double>(i) / kRate;
            for (int c = 0; c < 2; ++c) {
                noise = noise * 1664525u + 1013904223u;
                double v = 7000 * std::sin(2 * M_PI * (c ? 330 : 220) * t * (1 + 0.01 * t)) + 2000 * std::sin(2 * M_PI * 2500 * t) +
                           1500.0 * static_cast<int32_t>(noise) / 2147483648.0;
                put(static_cast<uint16_t>(static_cast<int16_t>(v)), 2);
            }
        }
    }

    std::filesystem::path dir_, mp3_, wma_;
};

const BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

// Waits for the end of each track the player plays (its state is shared with the handler, which
// may still be returning when the waiter goes).
class EndWait {
public:
    explicit EndWait(Player& player) {
        player.SetEndOfTrackHandler([state = state_](TrackEnd) {
            std::scoped_lock lock(state->mutex);
            ++state->ends;
            state->changed.notify_all();
        });
    }
    void WaitFor(int count) {
        std::unique_lock lock(state_->mutex);
        state_->changed.wait(lock, [&] { return state_->ends >= count; });
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        int ends = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// The whole player path: the engine thread decodes into the null sink as fast as it can. The CPU
// column is the process's (every thread's) CPU time per minute of audio.
void BM_PlayMinuteOf320kMp3IntoNullSink(benchmark::State& state) {
    const auto& file = Files().mp3();
    auto tally = std::make_shared<NullSinkTally>();
    Player player([tally] { return std::make_unique<NullSink>(tally); });
    EndWait ended(player);
    int played = 0;
    for (auto _ : state) {
        if (!player.Play(file).ok()) state.SkipWithError("cannot play");
        ended.WaitFor(++played);
    }
    state.counters["audio_s"] = benchmark::Counter(static_cast<double>(tally->frames) / kRate / state.iterations());
    state.counters["x_realtime"] = benchmark::Counter(kSeconds * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayMinuteOf320kMp3IntoNullSink)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3);

// libmpg123 alone, on this thread: what the engine thread adds is the difference.
void BM_DecodeMinuteOf320kMp3Only(benchmark::State& state) {
    std::vector<int16_t> pcm;
    for (auto _ : state) {
        std::string error;
        auto decoder = Mpg123Decoder::OpenFile(Files().mp3(), error);
        int64_t samples = 0;
        while (decoder->Decode(pcm) == 0) samples += static_cast<int64_t>(pcm.size());
        benchmark::DoNotOptimize(samples);
    }
}
BENCHMARK(BM_DecodeMinuteOf320kMp3Only)->Unit(benchmark::kMillisecond)->MinTime(3);

// A sink that notes when the first samples arrive.
struct FirstSample {
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<std::chrono::steady_clock::time_point> at;
};

class FirstSampleSink : public NullSink {
public:
    explicit FirstSampleSink(std::shared_ptr<FirstSample> first) : first_(std::move(first)) {}
    bool Write(std::span<const int16_t> samples) override {
        std::scoped_lock lock(first_->mutex);
        if (!first_->at) {
            first_->at = std::chrono::steady_clock::now();
            first_->arrived.notify_all();
        }
        return NullSink::Write(samples);
    }

private:
    std::shared_ptr<FirstSample> first_;
};

// From the call to Play (which opens the file and the output and decodes the first frame) to
// the first samples written by the engine thread.
void BM_PlayToFirstSample(benchmark::State& state, bool wma) {
    const auto& file = wma ? Files().wma() : Files().mp3();
    auto first = std::make_shared<FirstSample>();
    Player player([first] { return std::make_unique<FirstSampleSink>(first); });
    for (auto _ : state) {
        {
            std::scoped_lock lock(first->mutex);
            first->at.reset();
        }
        auto start = std::chrono::steady_clock::now();
        if (!player.Play(file).ok()) state.SkipWithError("cannot play");
        std::unique_lock lock(first->mutex);
        first->arrived.wait(lock, [&] { return first->at.has_value(); });
        state.SetIterationTime(std::chrono::duration<double>(*first->at - start).count());
        lock.unlock();
        player.Stop();
    }
}
BENCHMARK_CAPTURE(BM_PlayToFirstSample, mp3_320k, false)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PlayToFirstSample, wma_128k, true)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
