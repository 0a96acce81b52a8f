#include "session/account.h"

#include "base/settings.h"
#include "base/shared_folders.h"
#include "session/session.h"

namespace tandril::session {

bool LoadAccount(Session& c) {
    if (!LoadSettings(c.rt.store, c.rt.state, c.rt.ui)) return false;
    LoadSharedFolders(c.rt.store, c.rt.state);
    // The last playlist is back in the panel, ready but silent.
    c.rt.PostToGui([&c] { c.panel.RestoreLastPlayList(); });
    chat::LoadColorScheme(c.schemes.custom, chat::kSchemeCustom, c.rt.store, c.rt.state.account().userName);
    c.rt.PostToGui([&c, name = c.rt.state.settings().currentScheme] { ApplyColorScheme(c, name); });
    return true;
}

void ApplyColorScheme(Session& c, const std::string& schemeName) {
    c.schemes.SelectCurrent(schemeName);
    c.rt.state.EditSettings()->currentScheme = c.schemes.Current().name;
    Q_EMIT c.chat.schemeApplied();
}

bool SaveAccount(Session& c) {
    c.rt.state.EditSettings()->currentScheme = c.schemes.Current().name;
    bool saved = SaveSettings(c.rt.store, c.rt.state, c.rt.ui);
    saved = SaveSharedFolders(c.rt.store, c.rt.state, c.rt.ui) && saved;
    return chat::SaveColorScheme(c.schemes.custom, c.rt.store, c.rt.state.account().userName) && saved;
}

}  // namespace tandril::session
