#pragma once
// Every outgoing TCP connection of the client: directly, or through a SOCKS 4 or SOCKS 5 proxy.

#include <chrono>
#include <cstdint>

#include "platform/socket.h"

namespace tandril {
class Runtime;
struct Settings;
}  // namespace tandril

namespace tandril::link {

struct ProxyOutcome {
    // 1 connected; 0 the direct connection timed out or was refused; -1 any other failure.
    int status = -1;
    platform::Socket socket;
};

// `peer`: a connection to another user (it goes through the proxy only when "proxy transfers"
// is set); server connections always do when a proxy is configured.
ProxyOutcome ConnectThroughProxy(Runtime& client, platform::Endpoint to, bool peer);

// The SOCKS exchanges on a connection to the proxy; false closes nothing, the caller does.
bool ProxyGreeting(int fd, const Settings& settings, std::chrono::milliseconds timeout);
bool ProxyConnectRequest(int fd, const Settings& settings, platform::Endpoint to, std::chrono::milliseconds timeout);

}  // namespace tandril::link
