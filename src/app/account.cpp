#include "app/account.h"

#include "app/client.h"
#include "base/settings.h"
#include "base/shared_folders.h"

namespace tandril {

bool LoadAccount(Client& c) {
    if (!LoadSettings(c.store, c.state, c.ui)) return false;
    LoadSharedFolders(c.store, c.state);
    chat::LoadColorScheme(c.schemes.custom, chat::kSchemeCustom, c.store, c.state.userName);
    c.PostToGui([&c, name = c.state.settings.currentScheme] { ApplyColorScheme(c, name); });
    return true;
}

void ApplyColorScheme(Client& c, const std::string& schemeName) {
    c.schemes.SelectCurrent(schemeName);
    c.state.settings.currentScheme = c.schemes.Current().name;
    Q_EMIT c.schemeApplied();
}

bool SaveAccount(Client& c) {
    c.state.settings.currentScheme = c.schemes.Current().name;
    bool saved = SaveSettings(c.store, c.state, c.ui);
    saved = SaveSharedFolders(c.store, c.state, c.ui) && saved;
    return chat::SaveColorScheme(c.schemes.custom, c.store, c.state.userName) && saved;
}

}  // namespace tandril
