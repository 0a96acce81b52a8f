// Files made by real encoders at test time, played through the player into a WAV file.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "player/player.h"
#include "player/player_test_support.h"
#include "player/wav_sink.h"
#include "support/media_fixtures.h"

namespace tandril::test {
namespace {

using player::Codec;

struct Extra {
    int64_t min, max;
};

struct EncodedCase {
    const char* name;
    int rate;
    int channels;
    double seconds;
    // Makes the file from the WAV the encoder is given.
    std::function<std::filesystem::path(const TestProfile&, const std::filesystem::path&)> encode;
    Codec codec;
    int mpegVersion;  // 0: not MPEG
    bool mpeg25;
    int layer;
    int minKbps, maxKbps;  // equal for a constant bitrate
    bool variable;
    // The decoded length, less what the encoder was given, in frames (see kGapless and the rest).
    Extra extra;
};

std::ostream& operator<<(std::ostream& os, const EncodedCase& c) {
    return os << c.name;
}

auto Lame(std::string name, std::string options) {
    return [name, options](const TestProfile& dir, const std::filesystem::path& wav) { return EncodeWavWithLame(dir, wav, name, options); };
}
auto Ffmpeg(std::string name, std::string options) {
    return [name, options](const TestProfile& dir, const std::filesystem::path& wav) {
        return MakeWithFfmpeg(dir, name, "-i '" + wav.string() + "' " + options);
    };
}

// lame writes its encoder delay and end padding into the file's tag, and libmpg123 cuts both: the
// length is exact.
constexpr Extra kGapless{0, 0};
// ffmpeg's MP2 files carry no such tag: the output is the whole 1152-sample frames that cover the
// input, the last one padded with silence.
constexpr Extra kMp2{0, 1152 - 1};
// ffmpeg's WMA encoder codes whole 2048-sample frames only: the input's last partial frame is
// not in the file (ffmpeg's own decoder gives the same count).
constexpr Extra kWma{-(2048 - 1), 0};

class EncodedFile : public ::testing::TestWithParam<EncodedCase> {};

TEST_P(EncodedFile, DecodesToTheLengthAndFormatTheEncoderWasGiven) {
    const EncodedCase& c = GetParam();
    if (!HaveLame() || !HaveFfmpeg()) GTEST_SKIP() << "needs lame and ffmpeg";
    TestProfile dir;
    auto wav = WriteToneWav(dir, "input.wav", c.seconds, c.rate, c.channels);
    WavContents input = ReadWav(wav);
    ASSERT_TRUE(input.valid);
    auto file = c.encode(dir, wav);
    auto out = dir.path() / "decoded.wav";

    player::Player player([&] { return std::make_unique<player::WavSink>(out); });
    TrackEndWaiter ended(player);
    auto result = player.Play(file);
    ASSERT_TRUE(result.ok()) << result.detail;
    ASSERT_EQ(ended.Wait(), player::TrackEnd::kFinished);

    WavContents decoded = ReadWav(out);
    ASSERT_TRUE(decoded.valid);
    EXPECT_EQ(decoded.sampleRate, c.rate);
    EXPECT_EQ(decoded.channels, c.channels);
    EXPECT_GE(decoded.frames() - input.frames(), c.extra.min) << "decoded " << decoded.frames() << ", given " << input.frames();
    EXPECT_LE(decoded.frames() - input.frames(), c.extra.max) << "decoded " << decoded.frames() << ", given " << input.frames();
    EXPECT_EQ(player.Position().count(), decoded.frames() * 1000 / c.rate);

    // The sound itself, channel by channel: a lossy copy keeps the level of what it was given
    // (and a stereo file does not come back as one channel twice).
    for (int ch = 0; ch < c.channels; ++ch) {
        auto rms = [&](const WavContents& w) {
            double sum = 0;
            for (int64_t i = 0; i < w.frames(); ++i) sum += std::pow(w.samples[i * w.channels + ch], 2.0);
            return std::sqrt(sum / std::max<int64_t>(1, w.frames()));
        };
        EXPECT_NEAR(rms(decoded) / rms(input), 1.0, 0.2) << "channel " << ch;
    }
    if (c.channels == 2) {
        int64_t differing = 0;
        for (int64_t i = 0; i < decoded.frames(); ++i) differing += decoded.samples[2 * i] != decoded.samples[2 * i + 1];
        EXPECT_GT(differing, decoded.frames() / 2);
    }

    auto info = player.Info();
    EXPECT_EQ(info.codec, c.codec);
    EXPECT_EQ(info.mpegVersion, c.mpegVersion);
    EXPECT_EQ(info.mpeg25, c.mpeg25);
    EXPECT_EQ(info.layer, c.layer);
    EXPECT_GE(info.bitrateKbps, c.minKbps);
    EXPECT_LE(info.bitrateKbps, c.maxKbps);
    EXPECT_EQ(info.variableBitrate, c.variable);
    EXPECT_EQ(info.sampleRate, c.rate);
    EXPECT_EQ(info.channels, c.channels);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, EncodedFile,
    ::testing::Values(
        EncodedCase{"Mp3Cbr320Stereo", 44100, 2, 3.0, Lame("a.mp3", "-b 320 --cbr"), Codec::kMpeg, 1, false, 3, 320, 320, false, kGapless},
        EncodedCase{"Mp3Cbr128Mono", 44100, 1, 2.5, Lame("a.mp3", "-b 128 --cbr"), Codec::kMpeg, 1, false, 3, 128, 128, false, kGapless},
        EncodedCase{"Mp3Cbr128At48k", 48000, 2, 2.0, Lame("a.mp3", "-b 128 --cbr --resample 48"), Codec::kMpeg, 1, false, 3, 128, 128,
                    false, kGapless},
        EncodedCase{"Mp3VbrStereo", 44100, 2, 3.0, Lame("a.mp3", "-V 4 -b 64 -B 256"), Codec::kMpeg, 1, false, 3, 64, 256, true, kGapless},
        EncodedCase{"Mp3AbrMono", 44100, 1, 3.0, Lame("a.mp3", "--abr 96"), Codec::kMpeg, 1, false, 3, 72, 120, true, kGapless},
        EncodedCase{"Mp3Mpeg2At22050Mono", 22050, 1, 2.0, Lame("a.mp3", "-b 64 --cbr"), Codec::kMpeg, 2, false, 3, 64, 64, false, kGapless},
        EncodedCase{"Mp3Mpeg2At24kStereo", 24000, 2, 2.0, Lame("a.mp3", "-b 96 --cbr"), Codec::kMpeg, 2, false, 3, 96, 96, false, kGapless},
        EncodedCase{"Mp3Mpeg25At11025", 11025, 1, 2.0, Lame("a.mp3", "-b 32 --cbr"), Codec::kMpeg, 2, true, 3, 32, 32, false, kGapless},
        EncodedCase{"Mp2At48kStereo", 48000, 2, 2.0, Ffmpeg("a.mp2", "-c:a mp2 -b:a 192k"), Codec::kMpeg, 1, false, 2, 192, 192, false,
                    kMp2},
        EncodedCase{"Mp2Mpeg2At24kMono", 24000, 1, 2.0, Ffmpeg("a.mp2", "-c:a mp2 -b:a 64k"), Codec::kMpeg, 2, false, 2, 64, 64, false,
                    kMp2},
        EncodedCase{"WmaV2Stereo", 44100, 2, 3.0, Ffmpeg("a.wma", "-c:a wmav2 -b:a 128k"), Codec::kWma, 0, false, 0, 128, 128, false, kWma},
        EncodedCase{"WmaV2Mono", 32000, 1, 2.0, Ffmpeg("a.wma", "-c:a wmav2 -b:a 48k"), Codec::kWma, 0, false, 0, 48, 48, false, kWma},
        EncodedCase{"WmaV1Stereo", 44100, 2, 2.0, Ffmpeg("a.wma", "-c:a wmav1 -b:a 96k"), Codec::kWma, 0, false, 0, 96, 96, false, kWma}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tandril::test
