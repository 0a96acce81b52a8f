// Frame encoding and parsing throughput, and the wire-text conversion at the protocol boundary.
#include <benchmark/benchmark.h>

#include "base/text.h"
#include "base/wire_text.h"
#include "protocol/framing.h"

using namespace tandril;
using namespace tandril::protocol;

static void BM_EncodeFrame(benchmark::State& state) {
    std::string payload(static_cast<std::size_t>(state.range(0)), 'x');
    for (auto _ : state) benchmark::DoNotOptimize(EncodeFrame(201, payload));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeFrame)->Arg(16)->Arg(200)->Arg(2044);

static void BM_ParseFramesFromStream(benchmark::State& state) {
    std::string stream;
    for (int i = 0; i < 1000; ++i)
        stream += EncodeFrame(
            201, "\"1:\\1\\Artist - Title.mp3\" 0123456789abcdef0123456789abcdef-4000000 4000000 128 44100 250 user 3 16777343");
    for (auto _ : state) {
        std::string_view rest = stream;
        int frames = 0;
        while (!rest.empty()) {
            auto f = ParseFrame(rest);
            rest.remove_prefix(f.consumed);
            ++frames;
        }
        benchmark::DoNotOptimize(frames);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ParseFramesFromStream);

static void BM_GetField(benchmark::State& state) {
    const std::string payload = "\"1:\\1\\Artist - Title.mp3\" 0123456789abcdef-4000000 4000000 128 44100 250 user 3 16777343";
    for (auto _ : state) {
        for (int n = 1; n <= 9; ++n) benchmark::DoNotOptimize(GetField(payload, n, 350));
    }
}
BENCHMARK(BM_GetField);

static void BM_WireTextRoundTrip(benchmark::State& state) {
    const std::string text = "Répertoire de Téléchargement – Câble € 2047 bytes of chat text";
    for (auto _ : state) benchmark::DoNotOptimize(FromWireText(ToWireText(text)));
}
BENCHMARK(BM_WireTextRoundTrip);

BENCHMARK_MAIN();
