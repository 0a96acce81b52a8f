#include "server/login.h"

#include "app/client.h"
#include "app/pending_parts.h"
#include "app/text_format.h"
#include "server/get_field.h"
#include "server/server_disconnect.h"

namespace tandril::server {

int LoginToServer(Client& client, bool interactive) {
    AppState& s = client.state;
    client.link.SendServerMessage(920, "1");
    client.link.SendServerMessage(2, Format(std::string::npos, "%s %s %d \"%s\" %d %lu %d", s.userName.c_str(),
                                            s.password.c_str(), s.dataPort, kVersionText, s.lineSpeed, 4853UL, 0));
    std::string reply;
    int type = client.link.ReceiveServerMessage(reply, 100);
    switch (type) {
        case -1:
            return 0;
        case 3:
            break;
        case 900:
        case 901:
            StartConnectivityProbe(client, type, reply);
            break;
        case 0:
            if (ContainsNoCase(reply, "invalid password")) {
                ServerDisconnect(client, false);
                return InvalidPasswordDialog(client);
            }
            if (interactive) {
                client.ui.ShowAlert(AlertKind::Modal, reply);
            } else if (!reply.empty()) {
                client.chat.ShowInBothWindows(Format(127, "Unable to login: %s", reply.c_str()));
            }
            return 0;
        case 5:
            HandleUpgradeOffer(client, reply);
            return 0;
        default:
            if (interactive) {
                client.ui.ShowAlert(AlertKind::Modal,
                                    Format(511, "Login failed (Unexpected command: %d [%s])", type, reply.c_str()));
            }
            return 0;
    }
    if (s.email.empty()) s.email = kDefaultEmail;
    s.connected = true;
    WatchHotListUsers(client);
    return 1;
}

}  // namespace tandril::server
