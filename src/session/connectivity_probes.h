#pragma once
// The server's reachability tests (900 outbound, 901 inbound). Each runs on a thread of its own
// with its own copy of the payload, and fails silently.

#include <string>

#include "protocol/message_type.h"

namespace tandril::session {

struct Session;

void StartConnectivityProbe(Session& client, protocol::MessageType type, const std::string& payload);

}  // namespace tandril::session
