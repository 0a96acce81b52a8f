#include "session/reconnect.h"

#include <ctime>

#include "base/text.h"
#include "library/my_files.h"
#include "link/connect_server.h"
#include "search/search_session.h"
#include "session/account_changes.h"
#include "session/login.h"
#include "session/session.h"
#include "transfer/data_port.h"
#include "transfer/download_queue.h"

namespace tandril::session {

void ConnectCommand(Session& client) {
    transfer::SetDataPort(client.transfers, client.rt.state.account().dataPort);
    if (client.rt.state.connected) {
        client.chat.ShowSystemLine("You are already connected!");
    } else {
        RunConnectingDialog(client, ReconnectDriver);
    }
}

void ReconnectThread(Session& c) {
    AppState& s = c.rt.state;
    if (s.connected) return;
    while (!s.quitting) {
        unsigned base = s.mainWindowMinimised ? 3600 : 300;
        c.rt.Sleep(std::chrono::seconds(base + c.rt.Random() % 900));
        if (s.quitting || s.connectInProgress || s.connected) return;
        transfer::SetDataPort(c.transfers, c.rt.state.account().dataPort);
        if (s.connected) {
            c.chat.ShowSystemLine("You are already connected!");
        } else {
            // The connecting dialog runs its worker on this thread.
            c.rt.dialog.MarkOpen();
            ReconnectDriver(c);
        }
        if (s.connected) return;
    }
}

void StartReconnectThread(Session& client) {
    client.rt.StartWorker([&client] { ReconnectThread(client); });
}

void ReconnectDriver(Session& c) {
    AppState& s = c.rt.state;
    std::string when = CTimeText(std::time(nullptr));
    auto fail = [&] {
        c.link.Close();  // nothing half-open stays behind a failed login
        c.chat.ShowInBothWindows(Format(255, "Unable to reconnect to server! (%s)", when.c_str()));
        s.connectInProgress = false;
        c.rt.dialog.PostClose(0);
        s.searchRequestedWhileOffline = false;
    };
    s.connectInProgress = true;
    c.rt.dialog.SetStatus("Connecting to server...");
    if (!link::ConnectServer(c.rt, c.link, &c.rt.dialog)) return fail();
    c.rt.dialog.SetStatus("Connexion au Serveur...");
    s.connected = false;
    if (!LoginToServer(c, false)) return fail();

    c.chat.ShowInBothWindows("Connecté au serveur!");
    c.rt.dialog.SetStatus("Logged in! Sharing files...");
    library::AnnounceSharedFiles(c.library, true);
    c.rt.SetStatusText(0, Format(99, "Online (%s): Sharing %d files.", s.account().userName.c_str(), s.sharedFileCount.load()));
    transfer::RestartTransfersAfterLogin(c.transfers);
    if (s.settings().autoJoin) c.channels.AutoJoinChannels();
    s.connectInProgress = false;
    c.rt.dialog.PostClose(1);
    c.link.EnableServerNotifications();
    // The search asked for while offline runs where every search runs: on the GUI thread.
    if (s.searchRequestedWhileOffline.exchange(false)) c.rt.PostToGui([&c] { search::StartSearch(c.search, c.search.pending); });
}

}  // namespace tandril::session
