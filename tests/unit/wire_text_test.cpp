#include "base/wire_text.h"

#include <gtest/gtest.h>

using namespace tandril;

TEST(WireText, WhatWindows1252HoldsGoesInItsBytes) {
    const struct {
        std::string text, wire;
    } cases[] = {
        {"plain ascii", "plain ascii"},
        {"Café", "Caf\xe9"},
        {"Répertoire de Téléchargement",
         "R\xe9pertoire de T\xe9l\xe9"
         "chargement"},
        {"€ … “quoted” – ™ Ÿ", "\x80 \x85 \x93quoted\x94 \x96 \x99 \x9f"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToWireText(c.text), c.wire) << c.text;
        EXPECT_EQ(FromWireText(c.wire), c.text) << c.text;
        EXPECT_TRUE(GoesAsWindows1252(c.text)) << c.text;
    }
}

TEST(WireText, WhatItCannotHoldGoesAsUtf8AndComesBackWhole) {
    // Cyrillic, Greek, CJK, Polish and Czech letters, a decomposed accent, and a text whose
    // Windows-1252 bytes would read as UTF-8 ("Ã©" is C3 A9).
    const std::string samples[] = {"Москва", "Ελλάδα", "東京", "łódź", "řeka", "Cafe\xcc\x81", "Ã©", "Café à Москва"};
    for (const auto& s : samples) {
        EXPECT_EQ(ToWireText(s), s) << s;
        EXPECT_EQ(FromWireText(ToWireText(s)), s) << s;
        EXPECT_FALSE(GoesAsWindows1252(s)) << s;
    }
}

TEST(WireText, BytesThatAreNotUtf8ReadAsWindows1252Characters) {
    const struct {
        std::string bytes, form;
    } cases[] = {
        {"caf\xe9.mp3", "café.mp3"},  // a Latin-1 name made on another system
        {"a\x93"
         "b",
         "a“b"},
        {"\xc3", "Ã"},                   // a cut sequence
        {"\xc0\xaf", "À¯"},              // an overlong '/'
        {"\xed\xa0\x80", "í\xc2\xa0€"},  // a surrogate
        {"Москва \xe9", "Москва é"},     // with characters Windows-1252 cannot hold
        {"\xc3\x83\xa9", "Ã©"},          // Windows-1252 bytes of it would read as "é"
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WireForm(c.bytes), c.form);
        EXPECT_EQ(FromWireText(ToWireText(c.bytes)), c.form);
        EXPECT_EQ(FromWireText(ToWireText("GET \"" + c.bytes + "\" 0")), "GET \"" + c.form + "\" 0");
    }
}
