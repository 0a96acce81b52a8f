#include "app/account.h"

#include "app/client.h"
#include "app/settings.h"

namespace tandril {

bool LoadAccount(Client& c) {
    if (!LoadSettings(c.store, c.state, c.ui)) return false;
    chat::LoadColorScheme(c.schemes.custom, chat::kSchemeCustom, c.store, c.state.userName);
    c.PostToGui([&c, name = c.state.settings.currentScheme] {
        c.schemes.SelectCurrent(name);
        Q_EMIT c.schemeApplied();
    });
    return true;
}

bool SaveAccount(Client& c) {
    c.state.settings.currentScheme = c.schemes.Current().name;
    bool saved = SaveSettings(c.store, c.state, c.ui);
    return chat::SaveColorScheme(c.schemes.custom, c.store, c.state.userName) && saved;
}

}  // namespace tandril
