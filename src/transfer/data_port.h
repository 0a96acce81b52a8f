#pragma once
// The data port: other users connect to it to download shared files (and, later, to push files
// and exchange lists). Port 0 is the firewalled mode: nothing listens.

#include <cstdint>
#include <thread>

#include "platform/socket.h"

namespace tandril::transfer {

struct Transfers;

// Accepts connections on one port, each served on a thread of its own, until it is destroyed.
class DataPortListener {
public:
    DataPortListener(Transfers& c, platform::Socket listening);
    std::uint16_t Port() const { return port_; }

private:
    void Run(std::stop_token stop);
    Transfers& c_;
    platform::Socket socket_;
    std::uint16_t port_;
    std::jthread thread_;  // last: stopped and joined before the socket closes
};

// A port below 0 or from 65535 up is refused with a notice; 0 means firewalled. The listener
// follows the port and the server is told (703).
void SetDataPort(Transfers& c, long long port);
// Downloads left waiting because both sides were firewalled are asked for again (our port now
// listens, so the uploader can push).
void AskAgainAfterFirewallConflicts(Transfers& c);
// Listens on the client's data port, or stops listening when it is 0. A listener already on that
// port goes on; one on another port stops. A port that cannot be bound turns the firewalled mode
// on (the data port becomes 0), with the alert; false then.
bool StartDataPortListener(Transfers& c);
// Stops listening (the client ends).
void StopDataPortListener(Transfers& c);

}  // namespace tandril::transfer
