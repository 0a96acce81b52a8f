#pragma once
// The shared folders and the save folder: the list (each folder shared with all below it), how it
// is stored under the user's "Shared" key, and the rules when the save folder changes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_state.h"
#include "base/config_store.h"
#include "base/ui_port.h"

namespace tandril {

inline constexpr std::size_t kMaxFolder = 348;
inline constexpr const char* kDefaultSaveFolderName = "My Files";

// Under the list's lock; folders compare without regard to case.
bool IsSharedFolder(AppState& state, std::string_view folder);
void AddSharedFolder(AppState& state, std::string_view folder);
void ClearSharedFolders(AppState& state);
std::vector<std::string> SharedFolderList(AppState& state);
// The folders ticked in a folder tree become the list: the others leave it, new ones join it.
// True when the list changed.
bool RemoveFoldersNotIn(AppState& state, const std::vector<std::string>& ticked);
// ';'-separated folders, blanks trimmed, each cut to 348 characters, known ones skipped.
void AddFoldersFromText(AppState& state, std::string_view text);

// The user's "Shared" key: one value per folder, named by the folder, with the data "0".
void LoadSharedFolders(const ConfigStore& store, AppState& state);
bool SaveSharedFolders(ConfigStore& store, AppState& state, UiPort& ui);

// A new save folder (none empties it); moving away from a set one asks whether the old folder
// stays shared.
void SetSaveFolder(AppState& state, UiPort& ui, std::optional<std::string> folder);
// "My Files" in the profile folder, created when needed, as the save folder; returns its path.
std::string UseDefaultSaveFolder(AppState& state, UiPort& ui);
// "Share Save Folder": whether downloads land in a shared folder.
bool ShareSaveFolder(const ConfigStore& store);
void SetShareSaveFolder(ConfigStore& store, AppState& state, UiPort& ui, bool on);

}  // namespace tandril
