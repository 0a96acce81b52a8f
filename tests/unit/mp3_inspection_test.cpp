// Inspection of real MP3 files, made by an encoder at test time.
#include <gtest/gtest.h>
// The low-level MD5 calls are used on purpose: an independent check of the code under test.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <openssl/md5.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "library/file_hash.h"
#include "library/media_inspection.h"
#include "support/media_fixtures.h"
#include "support/test_profile.h"

using namespace tandril;
using library::InspectMp3File;

namespace {

std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// The first frame: after an ID3v2 tag, the first 0xFF followed by a byte above 0xF0.
std::size_t FirstSync(const std::string& data) {
    std::size_t start = 0;
    if (data.starts_with("ID3") && data.size() > 10) {
        auto b = [&](int i) { return static_cast<std::size_t>(static_cast<unsigned char>(data[i])); };
        start = 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
    }
    for (std::size_t i = start; i + 1 < data.size(); ++i) {
        if (static_cast<unsigned char>(data[i]) == 0xFF && static_cast<unsigned char>(data[i + 1]) > 0xF0) return i;
    }
    return std::string::npos;
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[16];
    MD5(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    char hex[33];
    for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

// What the inspection must give for a file whose frames run, without gaps, from the first sync
// to the end of its audio: the hashing window is 300032 bytes from the first frame, or the frames
// and the byte after them when they are fewer.
struct Expected {
    std::uint32_t audioBytes;
    std::string hash;
    std::uint32_t bits;
};
Expected ExpectedFor(const std::string& data, bool id3v1) {
    std::size_t sync = FirstSync(data);
    std::size_t tag = id3v1 ? 128 : 0;
    std::size_t audioEnd = data.size() - tag;
    std::size_t windowEnd = std::min({sync + 300032, audioEnd + 1, data.size()});
    auto audioBytes = static_cast<std::uint32_t>(data.size() - tag - sync);
    return {audioBytes, Md5Hex(std::string_view(data).substr(sync, windowEnd - sync)) + "-" + std::to_string(audioBytes),
            static_cast<std::uint32_t>(8u * static_cast<std::uint32_t>(audioBytes - sync)) >> 10};
}

// True when `hex` is the MD5 of data[start, start + k) for some k up to the hashing window.
bool IsDigestOfARunFrom(const std::string& data, std::size_t start, const std::string& hex) {
    MD5_CTX running;
    MD5_Init(&running);
    for (std::size_t k = start; k < std::min(data.size(), start + 300032); ++k) {
        MD5_Update(&running, data.data() + k, 1);
        MD5_CTX copy = running;
        unsigned char digest[16];
        MD5_Final(digest, &copy);
        char text[33];
        for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
        if (hex == text) return true;
    }
    return false;
}

}  // namespace

class Mp3Inspection : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveLame()) GTEST_SKIP() << "lame is not installed (scripts/setup.sh installs it)";
    }
    test::TestProfile dir;
};

TEST_F(Mp3Inspection, ConstantBitrateFiles) {
    struct Case {
        const char* name;
        double seconds;
        int rate;
        std::string options;
        std::uint32_t bitrate, frequency;
        bool id3v1;
        std::size_t leading;  // bytes put in front of the first frame
        // MPEG-2 frames are half as long as the one frame-length formula says, so the walk steps
        // over pairs of frames and may stop early: its window is then some run from the first frame.
        bool pairedFrames = false;
    };
    const Case cases[] = {
        {"cbr128", 25, 44100, "-b 128 --cbr -t", 128, 44100, false, 0},
        {"cbr320", 12, 44100, "-b 320 --cbr -t", 320, 44100, false, 0},
        {"mpeg2", 45, 22050, "-b 64 --cbr -t", 64, 22050, false, 0, true},
        {"id3v2", 25, 44100, "-b 128 --cbr -t --id3v2-only --id3v2-latin1 --tt Title --ta Artist", 128, 44100, false, 0},
        {"id3v2-utf16", 25, 44100, "-b 128 --cbr -t --id3v2-only --id3v2-utf16 --tt Title --ta Artist", 128, 44100, false, 0},
        {"id3v1", 25, 44100, "-b 128 --cbr -t --id3v1-only --tt Title", 128, 44100, true, 0},
        {"short", 4, 44100, "-b 128 --cbr -t", 128, 44100, false, 0},  // ends with its last frame
        {"short-tagged", 4, 44100, "-b 128 --cbr -t --id3v1-only --tt T", 128, 44100, true, 0},
        {"junk", 25, 44100, "-b 128 --cbr -t", 128, 44100, false, 777},
    };
    for (const Case& c : cases) {
        auto path = test::EncodeMp3(dir, c.name, c.seconds, c.rate, c.options);
        std::string data = Slurp(path);
        if (c.leading) {
            data = std::string(c.leading, 'J') + data;
            Write(path, data);
        }
        auto info = InspectMp3File(path, static_cast<std::uint32_t>(data.size()));
        ASSERT_TRUE(info) << c.name;
        SCOPED_TRACE(c.name);
        Expected e = ExpectedFor(data, c.id3v1);
        EXPECT_EQ(info->bitrate, c.bitrate) << c.name;
        EXPECT_EQ(info->frequency, c.frequency) << c.name;
        EXPECT_EQ(info->length, e.bits / c.bitrate + 6) << c.name;
        if (!c.pairedFrames) {
            EXPECT_EQ(info->hash, e.hash) << c.name;
        } else {
            EXPECT_TRUE(info->hash.ends_with("-" + std::to_string(e.audioBytes)));
            EXPECT_TRUE(IsDigestOfARunFrom(data, FirstSync(data), info->hash.substr(0, 32)));
        }
        EXPECT_LE(info->hash.size(), 49u);
    }
}

TEST_F(Mp3Inspection, TagsInFrontChangeNeitherDigestNorCount) {
    auto plain = test::EncodeMp3(dir, "plain", 20, 44100, "-b 128 --cbr -t");
    auto tagged = test::EncodeMp3(dir, "tagged", 20, 44100, "-b 128 --cbr -t --id3v2-only --id3v2-utf16 --tt Something --ta Someone");
    auto a = InspectMp3File(plain, static_cast<std::uint32_t>(std::filesystem::file_size(plain)));
    auto b = InspectMp3File(tagged, static_cast<std::uint32_t>(std::filesystem::file_size(tagged)));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->hash, b->hash);  // the count leaves out what stands in front of the frames
}

TEST_F(Mp3Inspection, VariableBitrateIsWalkedToTheEndAndAveraged) {
    auto path = test::EncodeMp3(dir, "vbr", 30, 44100, "-V 2 -t");
    std::string data = Slurp(path);
    auto info = InspectMp3File(path, static_cast<std::uint32_t>(data.size()));
    ASSERT_TRUE(info);
    // The average over every frame, read here from the frame headers themselves.
    std::uint64_t sum = 0, frames = 0;
    for (std::size_t pos = FirstSync(data); pos + 2 < data.size();) {
        auto h2 = static_cast<unsigned char>(data[pos + 2]);
        std::uint32_t kbits = library::Mp3Bitrate(1, 3, h2 >> 4);
        if (static_cast<unsigned char>(data[pos]) != 0xFF || kbits == 0) break;
        sum += kbits;
        ++frames;
        pos += 144000 * kbits / 44100 + ((h2 >> 1) & 1);
    }
    ASSERT_GT(frames, 100u);
    EXPECT_EQ(info->bitrate, sum / frames);
    Expected e = ExpectedFor(data, false);
    EXPECT_EQ(info->length, e.bits / (sum / frames) + 6);
    EXPECT_EQ(info->hash, e.hash);
}

TEST_F(Mp3Inspection, RejectsWhatIsNotEnoughMpegAudio) {
    auto full = test::EncodeMp3(dir, "four", 3, 44100, "-b 128 --cbr -t");
    std::string data = Slurp(full);
    std::size_t sync = FirstSync(data);
    // Four frames of 417 or 418 bytes, cut at the fifth: fewer than 5 frames.
    std::uint32_t four = 0;
    for (int i = 0; i < 4; ++i) four += 417 + ((static_cast<unsigned char>(data[sync + four + 2]) >> 1) & 1);
    auto cut = dir.path() / "cut.mp3";
    Write(cut, data.substr(0, sync + four));
    EXPECT_FALSE(InspectMp3File(cut, sync + four));
    // A file cut inside a frame is rejected: the short read is more than the one byte of the next frame.
    Write(cut, data.substr(0, sync + 418 * 10 + 200));
    auto inside = InspectMp3File(cut, sync + 418 * 10 + 200);
    EXPECT_FALSE(inside);
    // No frame at all; a missing file; a bitrate index without an entry; frequency index 3.
    Write(cut, std::string(5000, 'x'));
    EXPECT_FALSE(InspectMp3File(cut, 5000));
    EXPECT_FALSE(InspectMp3File(dir.path() / "missing.mp3", 10));
    for (unsigned char h2 : {0xF0, 0x9C}) {  // index 15; frequency index 3
        std::string bad = data;
        bad[sync + 2] = static_cast<char>(h2);
        Write(cut, bad);
        EXPECT_FALSE(InspectMp3File(cut, static_cast<std::uint32_t>(bad.size()))) << int(h2);
    }
}

TEST(Mp3Tables, TheNetworksBitratesAndNearestStandard) {
    EXPECT_EQ(library::Mp3Bitrate(1, 3, 9), 128u);
    EXPECT_EQ(library::Mp3Bitrate(2, 3, 5), 64u);  // not the standard's 40
    EXPECT_EQ(library::Mp3Bitrate(2, 2, 14), 384u);
    EXPECT_EQ(library::Mp3Bitrate(1, 1, 0), 0u);
    EXPECT_EQ(library::Mp3Bitrate(1, 1, 15), 0u);
    struct Case {
        std::uint32_t in, out;
    };
    for (Case c : {Case{0, 8}, Case{20, 8}, Case{21, 32}, Case{127, 128}, Case{144, 128}, Case{145, 160}, Case{1447, 448}, Case{1448, 0}}) {
        EXPECT_EQ(library::NearestStandardBitrate(c.in), c.out) << c.in;
    }
}

TEST(FileHash, TextForm) {
    std::array<unsigned char, 16> digest{};
    digest[0] = 0xAB;
    EXPECT_EQ(library::FileHashText(digest, 999872), "ab000000000000000000000000000000-999872");
    EXPECT_EQ(library::FileHashText(digest, 4294967295u).size(), 43u);
}
