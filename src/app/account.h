#pragma once
// The stored account with everything kept beside it: the settings and the colour schemes.

namespace tandril {

class Client;

// Settings, then the custom colour scheme and the choice of the current one.
bool LoadAccount(Client& client);
// Settings with the current scheme's name, and the custom scheme.
bool SaveAccount(Client& client);

}  // namespace tandril
