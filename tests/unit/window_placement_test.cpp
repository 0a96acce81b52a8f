#include "base/window_placement.h"

#include <gtest/gtest.h>

#include "base/settings.h"
#include "support/test_profile.h"

using namespace tandril;

TEST(WindowPlacement, RestoresOnlyWhatFitsTheScreen) {
    struct Case {
        const char* what;
        WindowRect saved;
        ScreenArea savedMax;
        ScreenArea screenNow;
        RestoredPlacement::Kind expected;
    };
    const Case cases[] = {
        {"fits", {10, 20, 800, 600}, {1920, 1040}, {1920, 1040}, RestoredPlacement::Rect},
        {"was maximised", {0, 0, 1920, 1040}, {1920, 1040}, {1920, 1040}, RestoredPlacement::Maximised},
        {"wider than the screen now", {10, 20, 1900, 600}, {2560, 1400}, {1280, 1000}, RestoredPlacement::NotApplied},
        {"taller than the screen now", {0, 500, 800, 600}, {1920, 1200}, {1920, 1040}, RestoredPlacement::NotApplied},
        {"negative left", {-5, 0, 800, 600}, {1920, 1040}, {1920, 1040}, RestoredPlacement::NotApplied},
        {"as wide as the maximum only", {0, 0, 1920, 600}, {1920, 1040}, {1920, 1040}, RestoredPlacement::NotApplied},
        {"touches the right edge", {1120, 0, 800, 600}, {1920, 1040}, {1920, 1040}, RestoredPlacement::Rect},
    };
    for (const Case& c : cases) {
        test::TestProfile profile;
        ConfigStore store(profile.path());
        SaveWindowPlacement(store, c.saved, c.savedMax);
        ConfigStore reread(profile.path());
        RestoredPlacement r = RestoreWindowPlacement(reread, c.screenNow);
        EXPECT_EQ(r.kind, c.expected) << c.what;
        if (r.kind == RestoredPlacement::Rect) {
            EXPECT_EQ(r.rect.left, c.saved.left);
            EXPECT_EQ(r.rect.width, c.saved.width);
        }
    }
}

TEST(WindowPlacement, AllSixValuesMustBePresent) {
    test::TestProfile profile;
    ConfigStore store(profile.path());
    SaveWindowPlacement(store, {10, 10, 300, 300}, {1000, 1000});
    store.DeleteValue(*store.OpenKey(kRootKey), "MaxCy");
    EXPECT_EQ(RestoreWindowPlacement(store, {1000, 1000}).kind, RestoredPlacement::NotApplied);
}
