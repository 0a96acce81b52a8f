#include <gtest/gtest.h>

#include "base/text.h"

using namespace tandril;

TEST(TextFormat, GroupsThousandsWithCommas) {
    struct Case {
        std::string in, out;
    };
    for (const Case& c : {Case{"1234567", "1,234,567"}, Case{"89", "89"}, Case{"1234", "1,234"}, Case{"123", "123"}, Case{"1000", "1,000"},
                          Case{"", "0"}}) {
        EXPECT_EQ(GroupThousands(c.in), c.out) << c.in;
    }
    std::string long40(40, '9');  // 53 characters with commas: left as it was
    EXPECT_EQ(GroupThousands(long40), long40);
}

TEST(TextFormat, FormatCutsWithoutSplittingCharacters) {
    EXPECT_EQ(Format(5, "%s", "abcdefgh"), "abcde");
    EXPECT_EQ(Format(2, "%s", "é"), "é");
    EXPECT_EQ(Format(1, "%s", "é"), "");
    EXPECT_EQ(Format(99, "Online (%s): Sharing %d files.", "bob", 12), "Online (bob): Sharing 12 files.");
}

TEST(TextFormat, CutTextKeepsUtf8CharactersWholeAndCutsOtherBytesWhereAsked) {
    struct Case {
        std::string in;
        std::size_t max;
        std::string out;
    };
    const Case cases[] = {
        {"abcdef", 3, "abc"},
        {"ab\xc3\xa9", 3, "ab"},  // "é" would be split: it goes whole
        {"a\xf0\x9f\x8e\xb5"
         "b",
         4, "a"},  // a four-byte character
        {"a\xf0\x9f\x8e\xb5"
         "b",
         5, "a\xf0\x9f\x8e\xb5"},
        {std::string(10, '\xba'), 5, std::string(5, '\xba')},  // Windows-1252 "º": not UTF-8
        {"/music/" + std::string(400, '\xbd'), 349, "/music/" + std::string(342, '\xbd')},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(CutText(k.in, k.max), k.out) << k.in.size() << " bytes cut to " << k.max;
    }
}

TEST(TextFormat, CTimeTextHasTheStandardForm) {
    std::string t = CTimeText(0);
    EXPECT_EQ(t.size(), 25u);
    EXPECT_EQ(t.back(), '\n');
}
