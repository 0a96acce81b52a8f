#include "cli/private_messages.h"

#include "app/client.h"
#include "base/text.h"
#include "cli/terminal_ui.h"
#include "protocol/chat_messages.h"

namespace tandril::cli {

std::optional<std::pair<std::string, std::string>> ParseMessageOption(const std::string& option) {
    std::size_t colon = option.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    return std::pair{option.substr(0, colon), option.substr(colon + 1)};
}

PrivateMessages::PrivateMessages(Client& client, TerminalUi& ui, std::optional<std::pair<std::string, std::string>> message)
    : client_(client), ui_(ui) {
    if (message) {
        connect(&client_.dialog, &ConnectingDialogModel::closed, this, [this, message](int result) {
            if (result != 1 || !client_.state.connected) return;
            protocol::Send(client_.link, protocol::PrivateMessage{message->first, message->second});
            ui_.Print(Format(2047, "[Message] * You tell %s: %s", message->first.c_str(), message->second.c_str()));
        });
    }
    connect(&client_.instantMessages, &chat::InstantMessages::windowOpened, this, [this](chat::InstantMessageWindow* window) {
        std::string peer = window->peer;
        const chat::ChatView* display = &window->display;
        // The window (and its display) lives until it is closed; the connection goes with it.
        connect(display, &chat::ChatView::lineAppended, this, [this, peer, display] {
            if (display->Lines().empty()) return;
            ui_.Print("[(" + peer + ") Instant Message] " + display->Lines().back().plain.trimmed().toStdString());
        });
    });
}

}  // namespace tandril::cli
