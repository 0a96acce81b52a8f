#pragma once

namespace tandril::session {

struct Session;

// Ends the session: the socket is closed, the user is told, the views show "offline".
void ServerDisconnect(Session& client, bool notice);
// After the connection was lost (never after "Disconnect"): reconnect unless the server asked not to.
void ApplyReconnectRule(Session& client);

}  // namespace tandril::session
