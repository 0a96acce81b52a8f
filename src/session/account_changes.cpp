#include "session/account_changes.h"

#include "base/text.h"
#include "protocol/server_messages.h"
#include "session/session.h"

namespace tandril::session {

void ChangePassword(Session& client, const std::string& password) {
    if (!client.rt.state.connected) {
        client.rt.ui.ShowAlert(AlertKind::Modal, "You must be connected to change your password!");
        return;
    }
    client.rt.state.EditAccount()->password = CutText(password, kMaxPassword);
    protocol::Send(client.link, protocol::ChangePassword{client.rt.state.account().password});
}

void ChangeEmail(Session& client, const std::string& email) {
    if (!client.rt.state.connected) {
        client.rt.ui.ShowAlert(AlertKind::Modal, "Must be connected to change your email address!");
        return;
    }
    if (email.empty()) return;
    client.rt.state.EditAccount()->email = CutText(email, kMaxEmail);
    protocol::Send(client.link, protocol::ChangeEmail{client.rt.state.account().email});
}

void SetLineSpeed(Session& client, int code) {
    client.rt.state.EditAccount()->lineSpeed = code;
    protocol::Send(client.link, protocol::ChangeLineSpeed{code});
}

}  // namespace tandril::session
