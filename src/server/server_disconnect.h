#pragma once

namespace tandril {
class Client;
}

namespace tandril::server {

// Ends the session: the socket is closed, the user is told, the views show "offline".
void ServerDisconnect(Client& client, bool notice);
// After the connection was lost (never after "Disconnect"): reconnect unless the server asked not to.
void ApplyReconnectRule(Client& client);

}  // namespace tandril::server
