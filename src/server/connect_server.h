#pragma once
// Finding the index server through the redirector and opening the connection to it.

#include <optional>
#include <string>

#include "platform/socket.h"

namespace tandril {
class Client;
class ConnectingDialogModel;
}  // namespace tandril

namespace tandril::server {

// 1 connected, 0 failed. Status texts go to `status` when given.
int ConnectServer(Client& client, ConnectingDialogModel* status);
// The index server named by the redirector at `redirector`; waits as often as it says "WAIT".
std::optional<platform::Endpoint> AskRedirector(Client& client, std::uint32_t redirector, ConnectingDialogModel* status);

}  // namespace tandril::server
