#pragma once
// Connecting again after start-up: the "Connexion" command and the connecting dialog's worker.

namespace tandril {
class Client;
}

namespace tandril::server {

// "Connexion": tells the data port again, then connects unless already online.
void ConnectCommand(Client& client);
// The connecting dialog's worker for every connect after start-up.
void ReconnectDriver(Client& client);

}  // namespace tandril::server
