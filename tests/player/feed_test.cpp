// Feed mode: an MPEG audio stream pushed in 4096-byte blocks, as the streaming download does.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "player/engine_codes.h"
#include "player/player.h"
#include "player/player_test_support.h"
#include "player/wav_sink.h"
#include "support/media_fixtures.h"

namespace tandril::test {
namespace {

using player::kEngineOk;
using player::kNeedMoreData;

constexpr size_t kBlock = 4096;

std::vector<std::byte> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::transform(chars.begin(), chars.end(), bytes.begin(), [](char c) { return static_cast<std::byte>(c); });
    return bytes;
}

// Every code the stream decoder returned while `bytes` were pushed in blocks; stops at the first
// code that ends the stream.
struct FeedOutcome {
    std::vector<int> codes;
    int finish = kEngineOk;
    bool ended() const { return !codes.empty() && codes.back() != kNeedMoreData; }
};

FeedOutcome FeedInBlocks(player::StreamDecoder& stream, std::span<const std::byte> bytes) {
    FeedOutcome outcome;
    for (size_t at = 0; at < bytes.size(); at += kBlock) {
        int code = stream.FeedAndDecode(bytes.subspan(at, std::min(kBlock, bytes.size() - at)));
        outcome.codes.push_back(code);
        if (code != kNeedMoreData) break;
    }
    outcome.finish = stream.Finish();
    return outcome;
}

struct Decoded {
    std::vector<int16_t> samples;
    player::AudioFormat format;
    player::StreamInfo info;
};

Decoded DecodeWholeFile(const TestProfile& dir, const std::filesystem::path& file) {
    auto out = dir.path() / "whole.wav";
    player::Player player([&] { return std::make_unique<player::WavSink>(out); });
    TrackEndWaiter ended(player);
    EXPECT_TRUE(player.Play(file).ok());
    EXPECT_EQ(ended.Wait(), player::TrackEnd::kFinished);
    auto wav = ReadWav(out);
    return {wav.samples, {wav.sampleRate, wav.channels}, player.Info()};
}

class FedFile : public ::testing::TestWithParam<const char*> {};

TEST_P(FedFile, DecodesBlocksToTheSameSamplesAsTheWholeFile) {
    if (!HaveLame() || !HaveFfmpeg()) GTEST_SKIP() << "needs lame and ffmpeg";
    TestProfile dir;
    std::string kind = GetParam();
    auto wav = WriteToneWav(dir, "input.wav", 3.0, kind == "mpeg2-mono" ? 22050 : 44100, kind == "mpeg2-mono" ? 1 : 2);
    std::filesystem::path file;
    if (kind == "cbr") file = EncodeWavWithLame(dir, wav, "a.mp3", "-b 192 --cbr");
    if (kind == "vbr") file = EncodeWavWithLame(dir, wav, "a.mp3", "-V 2");
    if (kind == "mpeg2-mono") file = EncodeWavWithLame(dir, wav, "a.mp3", "-b 48 --cbr");
    if (kind == "mp2") file = MakeWithFfmpeg(dir, "a.mp2", "-i '" + wav.string() + "' -c:a mp2 -b:a 160k");
    Decoded whole = DecodeWholeFile(dir, file);
    ASSERT_FALSE(whole.samples.empty());

    auto capture = std::make_shared<Capture>();
    player::Player player(CaptureTo(capture));
    std::string error;
    auto stream = player.CreateStreamDecoder(error);
    ASSERT_TRUE(stream) << error;
    ASSERT_EQ(stream->Start(), kEngineOk);
    auto bytes = ReadBytes(file);
    auto outcome = FeedInBlocks(*stream, bytes);
    EXPECT_FALSE(outcome.ended()) << "code " << outcome.codes.back() << ": " << player::EngineErrorText(outcome.codes.back());
    EXPECT_EQ(outcome.finish, kEngineOk);

    EXPECT_EQ(capture->format, whole.format);
    auto fed = capture->Samples();
    EXPECT_EQ(fed.size(), whole.samples.size());
    EXPECT_TRUE(fed == whole.samples) << "the fed stream's samples differ from the file's";
    auto info = stream->Info();
    EXPECT_EQ(info.mpegVersion, whole.info.mpegVersion);
    EXPECT_EQ(info.layer, whole.info.layer);
    EXPECT_EQ(info.bitrateKbps, whole.info.bitrateKbps);
    EXPECT_EQ(info.sampleRate, whole.info.sampleRate);
    EXPECT_EQ(player.Info().sampleRate, whole.info.sampleRate) << "the player reports the stream it plays";
}

INSTANTIATE_TEST_SUITE_P(Streams, FedFile, ::testing::Values("cbr", "vbr", "mpeg2-mono", "mp2"), [](const auto& info) {
    return std::string(info.param) == "mpeg2-mono" ? std::string("mpeg2_mono") : std::string(info.param);
});

TEST(FeedMode, TruncatedStreamEndsCleanlyWithTheSoundItHad) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto file = EncodeWavWithLame(dir, WriteToneWav(dir, "input.wav", 3.0, 44100, 2), "a.mp3", "-b 128 --cbr");
    Decoded whole = DecodeWholeFile(dir, file);
    auto bytes = ReadBytes(file);

    // Cut in the middle of a frame, and in the middle of a block.
    for (size_t cut : {bytes.size() * 3 / 5 + 1, size_t{kBlock + 100}, size_t{300}}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        auto capture = std::make_shared<Capture>();
        player::Player player(CaptureTo(capture));
        std::string error;
        auto stream = player.CreateStreamDecoder(error);
        ASSERT_TRUE(stream);
        ASSERT_EQ(stream->Start(), kEngineOk);
        auto outcome = FeedInBlocks(*stream, std::span(bytes).first(cut));
        EXPECT_FALSE(outcome.ended());
        EXPECT_EQ(outcome.finish, kEngineOk);
        auto fed = capture->Samples();
        EXPECT_LT(fed.size(), whole.samples.size());
        EXPECT_TRUE(std::equal(fed.begin(), fed.end(), whole.samples.begin())) << "what was heard is the start of the track";
        if (cut > kBlock) {
            // All but the frame that was cut (and the decoder's look-ahead of one) is heard.
            double heard = static_cast<double>(fed.size()) / whole.samples.size();
            EXPECT_GT(heard, static_cast<double>(cut - 2 * 418) / bytes.size() - 0.02);
        }
        EXPECT_TRUE(capture->closed);
        EXPECT_EQ(player.State(), player::PlayerState::kIdle);
    }
}

std::vector<std::byte> Garbage(const std::string& kind) {
    std::vector<std::byte> bytes(256 * 1024);
    if (kind == "zeros") return bytes;
    if (kind == "text") {
        std::string line = "<html><body>404 Not Found: the file you asked for is not here.</body></html>\n";
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::byte>(line[i % line.size()]);
        return bytes;
    }
    std::mt19937 random(1);
    for (auto& b : bytes) b = static_cast<std::byte>(random());
    return bytes;
}

TEST(FeedMode, GarbageGivesAnErrorCodeWithItsText) {
    for (const char* kind : {"zeros", "text", "random"}) {
        SCOPED_TRACE(kind);
        auto capture = std::make_shared<Capture>();
        player::Player player(CaptureTo(capture));
        std::string error;
        auto stream = player.CreateStreamDecoder(error);
        ASSERT_TRUE(stream);
        ASSERT_EQ(stream->Start(), kEngineOk);
        auto outcome = FeedInBlocks(*stream, Garbage(kind));
        ASSERT_TRUE(outcome.ended()) << "256 KiB of " << kind << " decoded without an error";
        int code = outcome.codes.back();
        EXPECT_NE(code, kEngineOk);
        EXPECT_NE(code, kNeedMoreData);
        EXPECT_FALSE(player::EngineErrorText(code).empty());
        EXPECT_EQ(player::EngineErrorText(code).find("Unknown"), std::string::npos) << player::EngineErrorText(code);
    }
}

TEST(FeedMode, DamagedStreamPlaysOnPastTheDamage) {
    if (!HaveLame()) GTEST_SKIP() << "needs lame";
    TestProfile dir;
    auto file = EncodeWavWithLame(dir, WriteToneWav(dir, "input.wav", 4.0, 44100, 2), "a.mp3", "-b 128 --cbr");
    Decoded whole = DecodeWholeFile(dir, file);
    auto bytes = ReadBytes(file);
    std::mt19937 random(7);
    // A scratch of random bytes, then a run of fake frame headers that a scanner may take for real.
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 3000; ++i) bytes[i] = static_cast<std::byte>(random());
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000; i += 97) bytes[i] = std::byte{0xFF}, bytes[i + 1] = std::byte{0xFB};

    auto capture = std::make_shared<Capture>();
    player::Player player(CaptureTo(capture));
    std::string error;
    auto stream = player.CreateStreamDecoder(error);
    ASSERT_TRUE(stream);
    ASSERT_EQ(stream->Start(), kEngineOk);
    auto outcome = FeedInBlocks(*stream, bytes);
    EXPECT_FALSE(outcome.ended()) << player::EngineErrorText(outcome.codes.back());
    auto fed = capture->Samples();
    // The sound after the damage is the track's own, sample for sample (where it sits may move by
    // the frames the damage took).
    auto after = whole.samples.end() - whole.samples.size() / 5;
    EXPECT_NE(std::search(fed.begin(), fed.end(), after, after + 20000), fed.end());
    EXPECT_GT(fed.size(), whole.samples.size() * 9 / 10);
}

}  // namespace
}  // namespace tandril::test
