#include "server/server_disconnect.h"

#include <ctime>

#include "app/client.h"
#include "app/pending_parts.h"
#include "base/text.h"
#include "library/my_files.h"
#include "search/search_session.h"
#include "server/reconnect.h"

namespace tandril::server {

void ServerDisconnect(Client& client, bool notice) {
    AppState& s = client.state;
    std::string when = CTimeText(std::time(nullptr));
    std::string text = Format(99, s.connected ? "Disconnected from server! (%s)" : "Unable to reconnect to server! (%s)", when.c_str());
    client.link.DisableServerNotifications();
    // The socket is closed whether or not the login had finished, so none is left behind.
    client.link.Close();
    s.connected = false;
    library::ForgetAnnouncements(client);
    search::ResetSearchButton(client);
    CloseChannelWindowsSilently(client);
    if (notice) client.chat.ShowSystemLine(text);
    client.SetStatusText(0, Format(99, "Disconnected (%s).", s.userName.c_str()));
    client.SetStatusText(1, "");
    ClearOnlineViews(client);
}

void ApplyReconnectRule(Client& client) {
    if (client.state.suppressReconnectOnce.exchange(false)) return;
    StartReconnectThread(client);
}

}  // namespace tandril::server
