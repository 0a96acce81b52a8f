#pragma once
// Connecting again after start-up: the "Connexion" command and the connecting dialog's worker.

namespace tandril::session {

struct Session;

// "Connexion": tells the data port again, then connects unless already online.
void ConnectCommand(Session& client);
// The connecting dialog's worker for every connect after start-up.
void ReconnectDriver(Session& client);
// After a lost connection: waits a random 5 to 20 minutes (60 to 75 while the window is
// minimised), then connects and logs in again, until online.
void ReconnectThread(Session& client);
void StartReconnectThread(Session& client);

}  // namespace tandril::session
