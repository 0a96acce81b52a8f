#pragma once
// Start-up and exit of a client.

#include <filesystem>
#include <vector>

namespace tandril {

class Client;

// The connecting dialog's worker at start-up: account, library, connect, log in, announce.
void StartupDriver(Client& client);
// Registers the bundled file types on a first run and loads them; without any the user is told
// and the program ends with exit code 1 (false).
bool LoadFileTypesOrEnd(Client& client);
// Opens the connecting dialog with StartupDriver; the command-line arguments go to the link
// handler once the dialog has closed.
void StartClient(Client& client, std::vector<std::string> arguments);

// The folders searched for an earlier installation's files, in order.
std::vector<std::filesystem::path> PreviousInstallFolders(const Client& client);

// True when the program may exit now; otherwise it leaves once the running uploads are done.
bool ConfirmExit(Client& client);
// "Go Offline": unshare and leave after the uploads, or at once when none run.
void GoOffline(Client& client);
// Saves, stops what runs and asks the front end to end the event loop with code 0.
void ExitApplication(Client& client);

}  // namespace tandril
