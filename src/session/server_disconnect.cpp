#include "session/server_disconnect.h"

#include <ctime>

#include "base/text.h"
#include "library/my_files.h"
#include "search/search_session.h"
#include "session/hot_list.h"
#include "session/reconnect.h"
#include "session/session.h"

namespace tandril::session {

void ServerDisconnect(Session& client, bool notice) {
    AppState& s = client.rt.state;
    std::string when = CTimeText(std::time(nullptr));
    std::string text = Format(99, s.connected ? "Disconnected from server! (%s)" : "Unable to reconnect to server! (%s)", when.c_str());
    client.link.DisableServerNotifications();
    // The socket is closed whether or not the login had finished, so none is left behind.
    client.link.Close();
    s.connected = false;
    library::ForgetAnnouncements(client.library);
    search::StopSearchOnDisconnect(client.search);
    client.channels.CloseChannelWindowsSilently();
    if (notice) client.chat.ShowSystemLine(text);
    client.rt.SetStatusText(0, Format(99, "Disconnected (%s).", s.account().userName.c_str()));
    client.rt.SetStatusText(1, "");
    ShowHotListOffline(client);
}

void ApplyReconnectRule(Session& client) {
    if (client.rt.state.suppressReconnectOnce.exchange(false)) return;
    StartReconnectThread(client);
}

}  // namespace tandril::session
