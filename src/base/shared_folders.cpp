#include "base/shared_folders.h"

#include <algorithm>
#include <filesystem>

#include "base/app_state.h"
#include "base/config_store.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/ui_port.h"

namespace tandril {

namespace {

bool ContainsLocked(const std::vector<std::string>& list, std::string_view folder) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& f) { return EqualsNoCase(f, folder); });
}

std::string SharedKey(const AppState& state) {
    return std::string(kRootKey) + "\\" + state.account().userName + "\\Shared";
}

}  // namespace

bool IsSharedFolder(AppState& state, std::string_view folder) {
    std::scoped_lock lock(state.sharedFoldersLock);
    return ContainsLocked(state.sharedFolders, folder);
}

void AddSharedFolder(AppState& state, std::string_view folder) {
    if (folder.empty()) return;
    std::scoped_lock lock(state.sharedFoldersLock);
    if (!ContainsLocked(state.sharedFolders, folder)) state.sharedFolders.emplace_back(folder);
}

void ClearSharedFolders(AppState& state) {
    std::scoped_lock lock(state.sharedFoldersLock);
    state.sharedFolders.clear();
}

std::vector<std::string> SharedFolderList(AppState& state) {
    std::scoped_lock lock(state.sharedFoldersLock);
    return state.sharedFolders;
}

void AddFoldersFromText(AppState& state, std::string_view text) {
    while (!text.empty()) {
        auto semi = text.find(';');
        std::string_view folder = Trim(text.substr(0, semi));
        text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
        if (!folder.empty()) AddSharedFolder(state, CutText(folder, kMaxFolder));
    }
}

void LoadSharedFolders(const ConfigStore& store, AppState& state) {
    auto key = store.OpenKey(SharedKey(state));
    if (!key) return;
    for (const std::string& name : store.ValueNames(*key)) AddSharedFolder(state, CutText(name, 349));
}

bool SaveSharedFolders(ConfigStore& store, AppState& state, UiPort& ui) {
    if (state.account().userName.empty()) return true;
    std::string path = SharedKey(state);
    store.DeleteKey(path);
    ConfigKey key = store.CreateKey(path);
    for (const std::string& folder : SharedFolderList(state)) {
        if (!store.GetValue(key, folder)) store.SetValue(key, folder, "0");
    }
    if (!store.Flush()) {
        ui.ShowAlert(AlertKind::Modeless, "Warning: Unable to save shared folder list to registry!");
        return false;
    }
    return true;
}

bool RemoveFoldersNotIn(AppState& state, const std::vector<std::string>& ticked) {
    std::scoped_lock lock(state.sharedFoldersLock);
    auto listed = [](const std::vector<std::string>& list, const std::string& folder) {
        return std::any_of(list.begin(), list.end(), [&](const std::string& f) { return EqualsNoCase(f, folder); });
    };
    std::vector<std::string>& folders = state.sharedFolders;
    const std::size_t before = folders.size();
    std::erase_if(folders, [&](const std::string& f) { return !listed(ticked, f); });
    bool changed = folders.size() != before;
    for (const std::string& folder : ticked) {
        if (listed(folders, folder)) continue;
        folders.push_back(CutText(folder, kMaxFolder));
        changed = true;
    }
    return changed;
}

void SetSaveFolder(AppState& state, UiPort& ui, std::optional<std::string> folder) {
    if (!folder) {
        state.EditSettings()->savePath.clear();
        return;
    }
    // The question is asked with no lock held.
    const std::string current = state.settings().savePath;
    if (!current.empty() && !EqualsNoCase(current, *folder)) {
        Answer a = ui.Ask({Format(260, "You have changed your save path from '%s'.  Continue to share folder?", current.c_str()),
                           "Save path changed!", Buttons::YesNo, Icon::Question});
        if (a == Answer::Yes) {
            AddSharedFolder(state, current);
        } else {
            std::scoped_lock lock(state.sharedFoldersLock);
            std::erase_if(state.sharedFolders, [&](const std::string& f) { return EqualsNoCase(f, current); });
        }
    }
    state.EditSettings()->savePath = CutText(*folder, kMaxFolder);
}

std::string UseDefaultSaveFolder(AppState& state, UiPort& ui) {
    std::filesystem::path folder = state.profileFolder / kDefaultSaveFolderName;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string path = CutText(std::filesystem::absolute(folder, ec).string(), 349);
    SetSaveFolder(state, ui, path);
    return path;
}

bool ShareSaveFolder(const ConfigStore& store) {
    auto root = store.OpenKey(kRootKey);
    if (!root) return false;
    auto value = store.GetValue(*root, "Share Save Folder");
    return value && DecimalValue(*value) != 0;
}

void SetShareSaveFolder(ConfigStore& store, AppState& state, UiPort& ui, bool on) {
    ConfigKey root = store.CreateKey(kRootKey);
    store.SetNumberValue(root, "Share Save Folder", on ? 1 : 0);
    if (!store.Flush()) ui.Ask({"Registry access error. Please reinstall Tandril.", "Error", Buttons::Ok, Icon::Exclamation});
    const std::string saveFolder = state.settings().savePath;
    if (on) {
        AddSharedFolder(state, saveFolder);
    } else {
        std::scoped_lock lock(state.sharedFoldersLock);
        auto it = std::find_if(state.sharedFolders.begin(), state.sharedFolders.end(),
                               [&](const std::string& f) { return EqualsNoCase(f, saveFolder); });
        if (it != state.sharedFolders.end()) state.sharedFolders.erase(it);
    }
}

}  // namespace tandril
