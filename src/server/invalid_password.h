#pragma once

namespace tandril {
class Client;
}

namespace tandril::server {

// "Mot de Passe Invalide!": try another password, register a new account, or leave. Returns
// whether the client is connected when the dialog ends.
int InvalidPasswordDialog(Client& client);

}  // namespace tandril::server
