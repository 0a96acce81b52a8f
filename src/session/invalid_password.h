#pragma once

namespace tandril::session {

struct Session;

// "Mot de Passe Invalide!": try another password, register a new account, or leave. Asked by a
// worker that was logging in, the answer is whether it is logged in now (the caller then goes
// online); asked on the GUI thread, the reconnect or the wizard runs on the connecting dialog's
// worker and 0 is returned at once. `interactive`: failures are alerts rather than chat lines.
int InvalidPasswordDialog(Session& client, bool interactive = false);

}  // namespace tandril::session
