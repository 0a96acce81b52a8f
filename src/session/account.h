#pragma once
// The stored account with everything kept beside it: the settings and the colour schemes.

#include <string>

namespace tandril::session {

struct Session;

// Settings, then the custom colour scheme and the choice of the current one.
bool LoadAccount(Session& client);
// Settings with the current scheme's name, and the custom scheme.
bool SaveAccount(Session& client);
// Makes the scheme of that name current and has every view take its colours (GUI thread).
void ApplyColorScheme(Session& client, const std::string& schemeName);

}  // namespace tandril::session
