#include "server/account_changes.h"

#include "app/client.h"
#include "app/pending_parts.h"
#include "base/text.h"
#include "protocol/server_messages.h"
#include "transfer/data_port.h"

namespace tandril::server {

void ChangePassword(Client& client, const std::string& password) {
    if (!client.state.connected) {
        client.ui.ShowAlert(AlertKind::Modal, "You must be connected to change your password!");
        return;
    }
    client.state.password = CutText(password, kMaxPassword);
    protocol::Send(client.link, protocol::ChangePassword{client.state.password});
}

void ChangeEmail(Client& client, const std::string& email) {
    if (!client.state.connected) {
        client.ui.ShowAlert(AlertKind::Modal, "Must be connected to change your email address!");
        return;
    }
    if (email.empty()) return;
    client.state.email = CutText(email, kMaxEmail);
    protocol::Send(client.link, protocol::ChangeEmail{client.state.email});
}

void SetLineSpeed(Client& client, int code) {
    client.state.lineSpeed = code;
    protocol::Send(client.link, protocol::ChangeLineSpeed{code});
}

void SetDataPort(Client& client, long long port) {
    if (port < 0 || port >= 65535) {
        client.ui.ShowAlert(AlertKind::Modal, "Invalid data port chosen!");
        return;
    }
    client.state.dataPort = static_cast<int>(port);
    transfer::StartDataPortListener(client);
    protocol::Send(client.link, protocol::ChangeDataPort{port});  // nothing goes out while offline
}

}  // namespace tandril::server
