// Inspection of Windows Media files made by an encoder at test time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "library/media_inspection.h"
#include "support/media_fixtures.h"
#include "support/test_profile.h"

using namespace tandril;
using library::InspectWmaFile;

namespace {

class WmaInspection : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed (scripts/setup.sh installs it)";
    }
    std::filesystem::path Make(const std::string& name, const std::string& inputsAndOptions) {
        return test::MakeWithFfmpeg(dir, name, inputsAndOptions);
    }
    test::TestProfile dir;
};

}  // namespace

TEST_F(WmaInspection, AudioFilesGiveLengthBitrateAndFrequency) {
    struct Case {
        const char* name;
        int rate, kbits, seconds;
        std::uint32_t bitrate;
    };
    for (Case c : {Case{"a.wma", 44100, 128, 12, 128}, Case{"b.wma", 22050, 64, 20, 64}, Case{"c.wma", 48000, 160, 5, 160}}) {
        auto path = Make(c.name, "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(c.rate) +
                                     ":duration=" + std::to_string(c.seconds) + " -c:a wmav2 -b:a " + std::to_string(c.kbits) + "k");
        auto info = InspectWmaFile(path);
        ASSERT_TRUE(info) << c.name;
        EXPECT_EQ(info->frequency, static_cast<std::uint32_t>(c.rate)) << c.name;
        EXPECT_EQ(info->bitrate, c.bitrate) << c.name;
        EXPECT_GE(info->length, static_cast<std::uint32_t>(c.seconds - 1)) << c.name;
        EXPECT_LE(info->length, static_cast<std::uint32_t>(c.seconds)) << c.name;
        EXPECT_TRUE(info->hash.empty());
    }
}

TEST_F(WmaInspection, AFileWhoseFirstStreamIsNotAudioIsRejected) {
    auto video = Make("v.wmv", "-f lavfi -i testsrc=duration=2:size=64x48:rate=10 -c:v wmv2 -an");
    EXPECT_FALSE(InspectWmaFile(video));
    auto both = Make(
        "va.wmv", "-f lavfi -i testsrc=duration=2:size=64x48:rate=10 -f lavfi -i sine=duration=2 -map 0:v -map 1:a -c:v wmv2 -c:a wmav2");
    EXPECT_FALSE(InspectWmaFile(both));
    auto mp3 = dir.path() / "not.wma";
    std::ofstream(mp3) << "not an ASF file at all";
    EXPECT_FALSE(InspectWmaFile(mp3));
    EXPECT_FALSE(InspectWmaFile(dir.path() / "missing.wma"));
}

TEST_F(WmaInspection, AProtectedFileIsSharedAsDrm) {
    auto path = Make("p.wma", "-f lavfi -i sine=duration=3 -c:a wmav2 -b:a 64k");
    std::ifstream in(path, std::ios::binary);
    std::string data{std::istreambuf_iterator<char>(in), {}};
    in.close();
    auto le = [&](std::size_t at, int bytes) {
        std::uint64_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[at + i]);
        return v;
    };
    auto put = [&](std::size_t at, std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) data[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    // A content-encryption object added at the end of the header.
    const unsigned char guid[16] = {0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11, 0xB4, 0xB7, 0x00, 0xA0, 0xC9, 0x55, 0xFC, 0x6E};
    std::string object(reinterpret_cast<const char*>(guid), 16);
    object += std::string(8, '\0') + std::string(16, '\0');
    for (int i = 0; i < 8; ++i) object[16 + i] = static_cast<char>(((object.size()) >> (8 * i)) & 0xFF);
    std::uint64_t headerSize = le(16, 8);
    data.insert(headerSize, object);
    put(16, headerSize + object.size(), 8);
    put(24, le(24, 4) + 1, 4);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
    auto info = InspectWmaFile(path);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bitrate, library::kDrmValue);
    EXPECT_EQ(info->frequency, library::kDrmValue);
    EXPECT_EQ(info->length, library::kDrmValue);
}
