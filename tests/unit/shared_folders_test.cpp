#include "base/shared_folders.h"

#include <gtest/gtest.h>

#include "base/app_state.h"
#include "base/config_store.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace tandril::library;

TEST(SharedFolders, TheListIsStoredUnderTheUsersSharedKey) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    {
        ConfigStore store(profile.path());
        AppState state;
        state.EditAccount()->userName = "alice";
        AddFoldersFromText(state, " /music/a ;/music/b;;/MUSIC/A;" + std::string(400, 'x'));
        EXPECT_EQ(SharedFolderList(state).size(), 3u);
        EXPECT_EQ(SharedFolderList(state)[2].size(), 348u);
        ASSERT_TRUE(SaveSharedFolders(store, state, ui));
        // Saving again replaces the stored list: a folder no longer shared is gone from it.
        ClearSharedFolders(state);
        AddSharedFolder(state, "/music/a");
        AddSharedFolder(state, "/music/c");
        ASSERT_TRUE(SaveSharedFolders(store, state, ui));
    }
    ConfigStore store(profile.path());
    auto key = store.OpenKey("Software\\Tandril\\alice\\Shared");
    ASSERT_TRUE(key);
    EXPECT_EQ(store.ValueNames(*key), (std::vector<std::string>{"/music/a", "/music/c"}));
    EXPECT_EQ(store.GetValue(*key, "/music/c"), "0");
    AppState loaded;
    loaded.EditAccount()->userName = "alice";
    AddSharedFolder(loaded, "/MUSIC/C");
    LoadSharedFolders(store, loaded);
    EXPECT_EQ(SharedFolderList(loaded), (std::vector<std::string>{"/MUSIC/C", "/music/a"}));
    EXPECT_TRUE(IsSharedFolder(loaded, "/Music/A"));
}

TEST(SharedFolders, ChangingTheSaveFolderAsksAboutTheOldOne) {
    for (Answer answer : {Answer::Yes, Answer::No}) {
        test::ScriptedUi ui;
        ui.Script({answer});
        AppState state;
        SetSaveFolder(state, ui, "/downloads/old");
        EXPECT_TRUE(ui.Events().empty());  // the first save folder is taken without a question
        AddSharedFolder(state, "/DOWNLOADS/OLD");
        SetSaveFolder(state, ui, "/downloads/OLD");  // the same folder: nothing to ask
        SetSaveFolder(state, ui, "/downloads/new");
        ASSERT_EQ(ui.Events().size(), 1u);
        EXPECT_EQ(ui.Events()[0].text, "You have changed your save path from '/downloads/OLD'.  Continue to share folder?");
        EXPECT_EQ(ui.Events()[0].caption, "Save path changed!");
        EXPECT_EQ(state.settings().savePath, "/downloads/new");
        EXPECT_EQ(IsSharedFolder(state, "/downloads/old"), answer == Answer::Yes);
    }
}

TEST(SharedFolders, TheSaveFolderIsSharedOnRequestAndMyFilesIsTheDefault) {
    test::TestProfile profile;
    test::ScriptedUi ui;
    ConfigStore store(profile.path());
    AppState state;
    state.profileFolder = profile.path();
    std::string myFiles = UseDefaultSaveFolder(state, ui);
    EXPECT_TRUE(std::filesystem::is_directory(myFiles));
    EXPECT_TRUE(myFiles.ends_with("/My Files"));
    EXPECT_EQ(state.settings().savePath, myFiles);
    EXPECT_FALSE(ShareSaveFolder(store));
    SetShareSaveFolder(store, state, ui, true);
    EXPECT_TRUE(ShareSaveFolder(ConfigStore(profile.path())));
    EXPECT_TRUE(IsSharedFolder(state, myFiles));
    SetShareSaveFolder(store, state, ui, false);
    EXPECT_FALSE(ShareSaveFolder(store));
    EXPECT_FALSE(IsSharedFolder(state, myFiles));
}

TEST(SharedFolders, TheTickedFoldersReplaceTheList) {
    AppState state;
    AddFoldersFromText(state, "/music/a;/music/b;/music/c");
    EXPECT_FALSE(RemoveFoldersNotIn(state, {"/MUSIC/B", "/music/a", "/music/c"}));  // the same folders, other case and order
    EXPECT_TRUE(RemoveFoldersNotIn(state, {"/music/c", "/concerts"}));
    EXPECT_EQ(SharedFolderList(state), (std::vector<std::string>{"/music/c", "/concerts"}));
    EXPECT_TRUE(RemoveFoldersNotIn(state, {}));
    EXPECT_TRUE(SharedFolderList(state).empty());
}
