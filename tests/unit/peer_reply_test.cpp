#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "library/audio_data_start.h"
#include "platform/atomic_file.h"
#include "support/test_profile.h"
#include "transfer/peek_reply.h"

using namespace tandril;
using namespace std::chrono_literals;

TEST(PeekReplyLength, MeasuresTheSizeOrErrorTextWithoutConsumingIt) {
    struct Case {
        std::string waiting;  // what has arrived, all of it
        std::size_t length;
    };
    const Case cases[] = {
        {"2048ID3\x03", 4},       // the size ends at the first byte that is no digit
        {"FILE NOT SHARED", 15},  // the peer closed after the text
        {"INVALID REQUEST", 15},
        {"2048"
         "3ID",
         5},  // a first data byte that is a digit counts with the size
        {"12345", 5},
        {"", 0},                     // closed at once
        {"#12", 0},                  // neither a digit nor a letter first
        {std::string(200, '7'), 0},  // no end within 127 bytes
    };
    for (const Case& c : cases) {
        transfer::ReplyPeek io{
            .peek =
                [&](char* into, std::size_t n) {
                    const std::size_t k = std::min(n, c.waiting.size());
                    std::memcpy(into, c.waiting.data(), k);
                    return static_cast<long>(k);
                },
            .sleep = [](std::chrono::milliseconds) {},
        };
        EXPECT_EQ(transfer::PeekReplyLength(io), c.length) << c.waiting.substr(0, 20);
    }
}

TEST(PeekReplyLength, ASizeStopsWhereNothingNewHasArrivedAndAFailedPeekGivesZero) {
    // "20" has arrived and "48" is still on its way: nothing new at a peek means the reply is whole.
    std::string waiting = "20";
    int sleeps = 0;
    transfer::ReplyPeek io{
        .peek =
            [&](char* into, std::size_t n) {
                const std::size_t k = std::min(n, waiting.size());
                std::memcpy(into, waiting.data(), k);
                return static_cast<long>(k);
            },
        .sleep = [&](std::chrono::milliseconds) { ++sleeps; },
    };
    EXPECT_EQ(transfer::PeekReplyLength(io), 2u);
    EXPECT_EQ(sleeps, 0);
    io.peek = [](char*, std::size_t) { return -1L; };
    EXPECT_EQ(transfer::PeekReplyLength(io), 0u);
}

TEST(AudioDataStart, FindsTheFirstFrameSync) {
    test::TestProfile dir;
    struct Case {
        std::string bytes;
        std::uint32_t start;
    };
    std::string tagged(4096, '\0');
    tagged.replace(0, 3, "ID3");
    const Case cases[] = {
        {tagged + "\xFF\xFB\x90\x00", 4096},
        {"\xFF\xFF\xFF\xFA\x00", 2},  // in a run of 0xFF, the last one
        {"ab\xFF\xF3", 2},
        {"\xFF\xE0\xFF\x00 no frame", 0},
        {"", 0},
        {std::string(70000, 'x') + "\xFF\xFB", 70000},  // across the reader's blocks
        {std::string(65535, 'x') + "\xFF\xFB", 65535},  // the pair split between two blocks
    };
    for (const Case& c : cases) {
        const auto path = dir.path() / "f.mp3";
        ASSERT_TRUE(platform::WriteFileAtomically(path, c.bytes));
        EXPECT_EQ(library::AudioDataStart(path), c.start) << c.bytes.size();
    }
    EXPECT_EQ(library::AudioDataStart(dir.path() / "missing.mp3"), 0u);
}
