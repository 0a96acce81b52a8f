#include "chat/color_scheme.h"

#include <gtest/gtest.h>

#include "base/config_store.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::chat;

TEST(ColorScheme, CustomSchemeRoundTripsThroughTheStore) {
    test::TestProfile profile;
    {
        ColorSchemes schemes;
        schemes.custom.SetSchemeColor("System Message", Rgb(1, 2, 3), true);
        schemes.custom.background = Rgb(10, 20, 30);
        schemes.custom.fontFace = "DejaVu Sans Mono";
        schemes.custom.fontSize = 12;
        schemes.custom.bold = true;
        ConfigStore store(profile.path());
        ASSERT_TRUE(SaveColorScheme(schemes.custom, store, "alice"));
    }
    ConfigStore store(profile.path());
    auto key = store.OpenKey("Software\\Tandril\\alice\\Schemes\\Custom Color Scheme");
    ASSERT_TRUE(key);
    EXPECT_EQ(store.GetValue(*key, "System Message"), std::to_string(Rgb(1, 2, 3)));
    ColorSchemes again;
    LoadColorScheme(again.custom, kSchemeCustom, store, "alice");
    EXPECT_EQ(again.custom.SchemeColor("system message"), Rgb(1, 2, 3));
    EXPECT_EQ(again.custom.background, Rgb(10, 20, 30));
    EXPECT_EQ(again.custom.fontFace, "DejaVu Sans Mono");
    EXPECT_EQ(again.custom.fontSize, 12);
    EXPECT_TRUE(again.custom.bold);
    EXPECT_NE(again.custom.ColorTable().find("\\red1\\green2\\blue3;"), std::string::npos);
    // Another user's schemes are their own; a missing key leaves the scheme as it was.
    ColorSchemes other;
    LoadColorScheme(other.custom, kSchemeCustom, store, "bob");
    EXPECT_EQ(other.custom.SchemeColor("System Message"), Rgb(255, 0, 0));
}

TEST(ColorScheme, TheFixedSchemesComeFromTheTableAndAreSelectedByName) {
    test::TestProfile profile;
    ConfigStore store(profile.path());
    ColorSchemes schemes;
    schemes.white.SetSchemeColor("Topic", Rgb(9, 9, 9), true);
    LoadColorScheme(schemes.white, kSchemeWhite, store, "alice");
    EXPECT_EQ(schemes.white.SchemeColor("Topic"), Rgb(0, 128, 0));
    EXPECT_EQ(schemes.black.background, Rgb(0, 0, 0));
    struct Case {
        const char* name;
        const ColorScheme* expected;
    };
    for (Case c : {Case{"color scheme #2 (black background)", &schemes.black}, Case{"Custom Color Scheme", &schemes.custom},
                   Case{"anything else", &schemes.white}, Case{"", &schemes.white}}) {
        schemes.SelectCurrent(c.name);
        EXPECT_EQ(&schemes.Current(), c.expected) << c.name;
    }
}

TEST(ColorScheme, The513thItemIsRefused) {
    ColorScheme scheme;
    scheme.FillDefaults(false);
    for (std::size_t i = scheme.Entries().size(); i < kMaxSchemeEntries; ++i) {
        ASSERT_TRUE(scheme.SetSchemeColor("item " + std::to_string(i), Rgb(1, 1, 1), false));
    }
    test::ScriptedUi ui;
    EXPECT_FALSE(SetSchemeColor(scheme, "one too many", Rgb(2, 2, 2), true, ui));
    EXPECT_EQ(scheme.Entries().size(), kMaxSchemeEntries);
    ASSERT_EQ(ui.Events().size(), 1u);
    EXPECT_EQ(ui.Events()[0].kind, "alert");
    EXPECT_EQ(ui.Events()[0].text, "Color table overflow (handled gracefully)...");
    EXPECT_EQ(ui.Events()[0].caption, "Tandril Notification (warning)");
    EXPECT_TRUE(scheme.SetSchemeColor("URL", Rgb(3, 3, 3), true));  // an existing item still changes
    EXPECT_EQ(scheme.SchemeColor("url"), Rgb(3, 3, 3));
}

TEST(ColorScheme, CopyTakesEverything) {
    ColorSchemes schemes;
    ColorScheme copy;
    CopyColorScheme(schemes.black, copy);
    EXPECT_EQ(copy.background, schemes.black.background);
    EXPECT_EQ(copy.ColorTable(), schemes.black.ColorTable());
    EXPECT_EQ(copy.Entries().size(), 23u);
}
