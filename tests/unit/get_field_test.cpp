#include <gtest/gtest.h>

#include "base/text.h"

using tandril::GetField;

TEST(GetField, SplitsByTheFieldRule) {
    struct Case {
        const char* text;
        int number;
        std::size_t size;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"a b c", 1, 50, "a"},
        {"a b c", 3, 50, "c"},
        {"a b c", 4, 50, std::nullopt},
        {"   a    b  ", 2, 50, "b"},  // runs of blanks are skipped
        {"   a    b  ", 3, 50, std::nullopt},
        {"\"two words\" next", 1, 50, "two words"},  // quotes group and are dropped
        {"\"two words\" next", 2, 50, "next"},
        {"x \"unterminated quote", 2, 50, "unterminated quote"},
        {"\"\" y", 1, 50, ""},  // an empty quoted field exists
        {"\"\" y", 2, 50, "y"},
        {"abcdef", 1, 4, "abc"},  // cut to size - 1
        {"", 1, 50, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(GetField(c.text, c.number, c.size), c.expected) << c.text << " #" << c.number;
}

TEST(GetField, OtherSeparators) {
    EXPECT_EQ(GetField("a;;b", 2, 10, ';'), "b");
}
