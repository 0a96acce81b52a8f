#include "server/reconnect.h"

#include <ctime>

#include "app/client.h"
#include "app/pending_parts.h"
#include "base/text.h"
#include "library/my_files.h"
#include "search/search_session.h"
#include "server/account_changes.h"
#include "server/connect_server.h"
#include "server/login.h"
#include "transfer/download_queue.h"

namespace tandril::server {

void ConnectCommand(Client& client) {
    SetDataPort(client, client.state.dataPort);
    if (client.state.connected) {
        client.chat.ShowSystemLine("You are already connected!");
    } else {
        client.RunConnectingDialog(ReconnectDriver);
    }
}

void ReconnectThread(Client& c) {
    AppState& s = c.state;
    if (s.connected) return;
    while (!s.quitting) {
        unsigned base = s.mainWindowMinimised ? 3600 : 300;
        c.Sleep(std::chrono::seconds(base + c.Random() % 900));
        if (s.quitting || s.connectInProgress || s.connected) return;
        SetDataPort(c, c.state.dataPort);
        if (s.connected) {
            c.chat.ShowSystemLine("You are already connected!");
        } else {
            // The connecting dialog runs its worker on this thread.
            c.dialog.MarkOpen();
            ReconnectDriver(c);
        }
        if (s.connected) return;
    }
}

void StartReconnectThread(Client& client) {
    client.StartWorker([&client] { ReconnectThread(client); });
}

void ReconnectDriver(Client& c) {
    AppState& s = c.state;
    std::string when = CTimeText(std::time(nullptr));
    auto fail = [&] {
        c.link.Close();  // nothing half-open stays behind a failed login
        c.chat.ShowInBothWindows(Format(255, "Unable to reconnect to server! (%s)", when.c_str()));
        s.connectInProgress = false;
        c.dialog.PostClose(0);
        s.searchRequestedWhileOffline = false;
    };
    s.connectInProgress = true;
    c.dialog.SetStatus("Connecting to server...");
    if (!ConnectServer(c, &c.dialog)) return fail();
    c.dialog.SetStatus("Connexion au Serveur...");
    s.connected = false;
    if (!LoginToServer(c, false)) return fail();

    c.chat.ShowInBothWindows("Connecté au serveur!");
    c.dialog.SetStatus("Logged in! Sharing files...");
    library::AnnounceSharedFiles(c, true);
    c.SetStatusText(0, Format(99, "Online (%s): Sharing %d files.", s.userName.c_str(), s.sharedFileCount.load()));
    transfer::RestartTransfersAfterLogin(c);
    if (s.settings.autoJoin) JoinStoredChannels(c);
    s.connectInProgress = false;
    c.dialog.PostClose(1);
    c.link.EnableServerNotifications();
    // The search asked for while offline runs where every search runs: on the GUI thread.
    if (s.searchRequestedWhileOffline.exchange(false)) c.PostToGui([&c] { search::StartSearch(c, c.search.pending); });
}

}  // namespace tandril::server
