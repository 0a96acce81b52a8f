#include "server/account_changes.h"

#include "app/client.h"
#include "app/pending_parts.h"
#include "base/text.h"
#include "transfer/data_port.h"

namespace tandril::server {

void ChangePassword(Client& client, const std::string& password) {
    if (!client.state.connected) {
        client.ui.ShowAlert(AlertKind::Modal, "You must be connected to change your password!");
        return;
    }
    client.state.password = CutText(password, kMaxPassword);
    client.link.SendServerMessage(701, client.state.password);
}

void ChangeEmail(Client& client, const std::string& email) {
    if (!client.state.connected) {
        client.ui.ShowAlert(AlertKind::Modal, "Must be connected to change your email address!");
        return;
    }
    if (email.empty()) return;
    client.state.email = CutText(email, kMaxEmail);
    client.link.SendServerMessage(702, client.state.email);
}

void SetLineSpeed(Client& client, int code) {
    client.state.lineSpeed = code;
    client.link.SendServerMessage(700, Format(16, "%d", code));
}

void SetDataPort(Client& client, long long port) {
    if (port < 0 || port >= 65535) {
        client.ui.ShowAlert(AlertKind::Modal, "Invalid data port chosen!");
        return;
    }
    client.state.dataPort = static_cast<int>(port);
    transfer::StartDataPortListener(client);
    client.link.SendServerMessage(703, Format(16, "%d", static_cast<int>(port)));  // nothing goes out while offline
}

}  // namespace tandril::server
