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
// After a lost connection: waits a random 5 to 20 minutes (60 to 75 while the window is
// minimised), then connects and logs in again, until online.
void ReconnectThread(Client& client);
void StartReconnectThread(Client& client);

}  // namespace tandril::server
