#pragma once
// Private messages (205) and the instant-message windows. With `InstantMessaging` off a received
// message is a line in the personal-messages window (chat mode); with it on, every partner has a
// window of their own, opened by a message from them or by the user. GUI thread unless said.

#include <string>

#include "chat/instant_messages.h"
#include "protocol/private_messages.h"

namespace tandril::session {

struct Session;

// 205 from the server, shown in the mode the setting chooses.
void OnPrivateMessage(Session& client, const protocol::ReceivedPrivateMessage& m);

// The partner's window brought to the front, or a new one opened. Any thread.
void OpenInstantMessage(Session& client, const std::string& user);
// Enter in a window's input: the line remembered (when not empty), shown as the user's own and
// sent with 205. An empty line is shown and sent as well.
void SendInstantMessage(Session& client, chat::InstantMessageWindow& window, const std::string& text);
// The window's hot-list button: true when the partner is now on the hot list (the main window
// then shows its hot-list page); a partner already there is an alert.
bool AddPeerToHotList(Session& client, const std::string& peer);
// The window's ignore button: the opposite of the partner's state now, then the window closes.
void ToggleIgnorePeer(Session& client, const std::string& peer);
// The window's close command.
void CloseInstantMessage(Session& client, const std::string& peer);

}  // namespace tandril::session
