#include "session/login.h"

#include "base/settings.h"
#include "base/text.h"
#include "link/proxy_client.h"
#include "protocol/server_messages.h"
#include "session/connectivity_probes.h"
#include "session/hot_list.h"
#include "session/invalid_password.h"
#include "session/server_disconnect.h"
#include "session/session.h"
#include "session/upgrade_offer.h"

namespace tandril::session {

using protocol::MessageType;

namespace {

// Sends the login and reads the answer; 920 goes first unless this server refuses it.
int SendLogin(Session& client, bool with920, std::string& reply) {
    AppState& s = client.rt.state;
    if (with920) protocol::Send(client.link, protocol::BeforeLogin{});
    protocol::Send(client.link,
                   protocol::Login{s.account().userName, s.account().password, s.account().dataPort, kVersionText, s.account().lineSpeed});
    return client.link.ReceiveServerMessage(reply, 100);
}

}  // namespace

int LoginToServer(Session& client, bool interactive) {
    AppState& s = client.rt.state;
    // A blank or a quote in these fields would shift the login's fields: never sent.
    if (auto problem = LoginFieldProblem(s.account().userName, s.account().password)) {
        client.rt.ui.ShowAlert(interactive ? AlertKind::Modal : AlertKind::Modeless, *problem);
        return 0;
    }
    std::pair<std::uint32_t, std::uint16_t> server;
    bool with920;
    {
        std::scoped_lock lock(s.serversLock);
        server = s.server;
        with920 = !s.serversWithout920.count(server);
    }
    std::string reply;
    int type = SendLogin(client, with920, reply);
    if (with920 && type == static_cast<int>(MessageType::Error) && ContainsNoCase(reply, "invalid command")) {
        // Some servers take nothing but a login before one and close the connection on 920:
        // connect to the same server again at once and log in without it from now on.
        {
            std::scoped_lock lock(s.serversLock);
            s.serversWithout920.insert(server);
        }
        link::ProxyOutcome again = link::ConnectThroughProxy(client.rt, {server.first, server.second}, false);
        if (again.status != 1) return 0;
        client.link.Attach(std::move(again.socket));
        reply.clear();
        type = SendLogin(client, false, reply);
    }
    if (type < 0) return 0;
    switch (static_cast<MessageType>(type)) {
        case MessageType::LoginAccepted:
            break;
        case MessageType::OutboundProbe:
        case MessageType::InboundProbe:
            StartConnectivityProbe(client, static_cast<MessageType>(type), reply);
            break;
        case MessageType::Error:
            if (ContainsNoCase(reply, "invalid password")) {
                ServerDisconnect(client, false);
                return InvalidPasswordDialog(client, interactive);
            }
            if (interactive) {
                client.rt.ui.ShowAlert(AlertKind::Modal, reply);
            } else if (!reply.empty()) {
                client.chat.ShowInBothWindows(Format(127, "Unable to login: %s", reply.c_str()));
            }
            return 0;
        case MessageType::UpgradeOffer:
            OnUpgradeOffer(client, reply);
            return 0;
        default:
            if (interactive) {
                client.rt.ui.ShowAlert(AlertKind::Modal, Format(511, "Login failed (Unexpected command: %d [%s])", type, reply.c_str()));
            }
            return 0;
    }
    if (s.account().email.empty()) s.EditAccount()->email = kDefaultEmail;
    s.connected = true;
    RegisterHotList(client);
    return 1;
}

}  // namespace tandril::session
