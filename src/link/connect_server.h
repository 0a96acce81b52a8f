#pragma once
// Finding the index server through the redirector and opening the connection to it.

#include <optional>
#include <string>

#include "base/runtime.h"
#include "link/server_link.h"
#include "platform/socket.h"

namespace tandril::link {

// 1 connected, 0 failed. Status texts go to `status` when given.
int ConnectServer(Runtime& rt, ServerLink& link, ConnectingDialogModel* status);
// The index server named by the redirector at `redirector`; waits as often as it says "WAIT".
std::optional<platform::Endpoint> AskRedirector(Runtime& rt, std::uint32_t redirector, ConnectingDialogModel* status);

}  // namespace tandril::link
