#pragma once
// The list itself over a peer connection. The requester R connects to the browsed user B and
// sends "GETLIST" after B's greeting; or B, asked to, connects to R and sends "SENDLIST" after R's
// greeting. Either way B then sends its nick, one share line per file it shares, and an empty
// line, and closes. Each of these runs on a thread of its own and holds no lock while it reads or
// writes.

#include <string>
#include <string_view>

#include "protocol/browse_messages.h"
#include "protocol/peer_messages.h"

namespace tandril::browse {

class Browse;

// At R after 641: connects to B, waits for the greeting, sends "GETLIST" and receives the list.
void GetListWorker(Browse& b, const protocol::DirectBrowseAccepted& m);
// At B after 640 with R's address: connects to R, waits for the greeting, sends "SENDLIST" and
// the list.
void PushListWorker(Browse& b, const protocol::DirectBrowse& m);
// Sends this user's list on a connection: only the files the server was told of (announced),
// under their virtual names; never a local path.
void ListSender(Browse& b, int socket);
// Receives a list on a connection; `already` is what came with the command. The list counts only
// when its first line names the browsed user and it ends with its empty line.
void ListReceiver(Browse& b, int socket, std::string_view already);
// The data port's "GETLIST" and "SENDLIST" (the greeting was sent; `rest` came after the command).
void ListConnection(Browse& b, protocol::PeerCommand command, int socket, const std::string& rest);

// This user's list as ListSender writes it, every line with its line end.
std::string OwnListText(Browse& b);

}  // namespace tandril::browse
