#include "base/wire_text.h"

#include <gtest/gtest.h>

using namespace tandril;

TEST(WireText, RoundTripsWhatWindows1252Holds) {
    const std::string samples[] = {"plain ascii", "Câble", "Répertoire de Téléchargement", "€ … “quoted” – ™", "Ÿ"};
    for (const auto& s : samples) EXPECT_EQ(Cp1252ToUtf8(Utf8ToCp1252(s)), s) << s;
}

TEST(WireText, MapsTheHighControlsOfWindows1252) {
    EXPECT_EQ(Utf8ToCp1252("€"), "\x80");
    EXPECT_EQ(Utf8ToCp1252("é"), "\xe9");
    EXPECT_EQ(Cp1252ToUtf8("\x93hi\x94"), "“hi”");
}

TEST(WireText, UnmappableBecomesQuestionMarkAndBrokenUtf8IsKept) {
    EXPECT_EQ(Utf8ToCp1252("日本"), "??");
    EXPECT_EQ(Utf8ToCp1252(std::string("a\xff"
                                       "b")),
              std::string("a\xff"
                          "b"));
    EXPECT_EQ(Utf8ToCp1252(std::string("\xc3")), std::string("\xc3"));  // truncated sequence
}
