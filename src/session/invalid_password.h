#pragma once

namespace tandril::session {

struct Session;

// "Mot de Passe Invalide!": try another password, register a new account, or leave. Returns
// whether the client is connected when the dialog ends.
int InvalidPasswordDialog(Session& client);

}  // namespace tandril::session
