#include "protocol/framing.h"

#include <gtest/gtest.h>

using namespace tandril::protocol;

TEST(Framing, EncodesLittleEndianLengthAndType) {
    std::string frame = EncodeFrame(0x0203, "abc");
    ASSERT_EQ(frame.size(), 7u);
    EXPECT_EQ(frame.substr(0, 4), std::string("\x03\x00\x03\x02", 4));
    EXPECT_EQ(frame.substr(4), "abc");
}

TEST(Framing, EmptyPayloadIsABareHeader) {
    EXPECT_EQ(EncodeFrame(214, ""), std::string("\x00\x00\xd6\x00", 4));
    auto parsed = ParseFrame(EncodeFrame(214, ""));
    EXPECT_EQ(parsed.status, FrameStatus::Complete);
    EXPECT_EQ(parsed.type, 214);
    EXPECT_EQ(parsed.payload, "");
    EXPECT_EQ(parsed.consumed, 4u);
}

TEST(Framing, OutgoingPayloadIsCutAt2044Bytes) {
    std::string frame = EncodeFrame(2, std::string(3000, 'x'));
    EXPECT_EQ(frame.size(), 2048u);
    EXPECT_EQ(static_cast<unsigned char>(frame[0]) | (static_cast<unsigned char>(frame[1]) << 8), 2044);
}

TEST(Framing, ParsesIncrementally) {
    std::string frame = EncodeFrame(404, "hello world");
    for (std::size_t n = 0; n < frame.size(); ++n) {
        EXPECT_EQ(ParseFrame(std::string_view(frame).substr(0, n)).status, FrameStatus::NeedMore) << n;
    }
    EXPECT_EQ(ParseFrame(frame).status, FrameStatus::Complete);
}

TEST(Framing, TwoFramesInOneBufferComeOutOneAtATime) {
    std::string bytes = EncodeFrame(1, "first") + EncodeFrame(2, "second");
    auto a = ParseFrame(bytes);
    ASSERT_EQ(a.status, FrameStatus::Complete);
    EXPECT_EQ(a.payload, "first");
    auto b = ParseFrame(std::string_view(bytes).substr(a.consumed));
    ASSERT_EQ(b.status, FrameStatus::Complete);
    EXPECT_EQ(b.type, 2);
    EXPECT_EQ(b.payload, "second");
}

TEST(Framing, LengthWithTopBitSetIsMalformed) {
    struct Case {
        unsigned length;
        FrameStatus expected;
    };
    for (Case c : {Case{0x7FFF, FrameStatus::NeedMore}, Case{0x8000, FrameStatus::Malformed}, Case{0xFFFF, FrameStatus::Malformed}}) {
        std::string header{static_cast<char>(c.length & 0xFF), static_cast<char>(c.length >> 8), 1, 0};
        EXPECT_EQ(ParseFrame(header).status, c.expected) << c.length;
    }
}
