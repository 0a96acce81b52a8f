#pragma once
// Round-trip times by ICMP echo. One socket sends to many addresses at once and matches the
// replies, so measuring a hundred users costs one second at most, not a hundred threads.
// Unprivileged ping sockets are used where the system allows them (net.ipv4.ping_group_range),
// raw sockets otherwise; with neither, nothing can be measured.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/socket.h"

namespace tandril::search {

class IcmpSocket {
public:
    // Nullopt when no ICMP socket can be opened here.
    static std::optional<IcmpSocket> Open();

    // Sends one echo request (no data) to `address` (IPv4, network byte order as it lies in memory).
    // False when it could not be sent (no route, for one).
    bool Send(std::uint32_t address);
    // Waits up to `wait` for one reply to a request of this socket; its address and the
    // milliseconds since it was sent.
    std::optional<std::pair<std::uint32_t, int>> Receive(std::chrono::milliseconds wait);

private:
    IcmpSocket(platform::Socket socket, bool raw);
    platform::Socket socket_;
    bool raw_ = false;
    std::uint16_t identifier_ = 0;
    std::uint16_t sequence_ = 0;
    std::map<std::uint16_t, std::pair<std::uint32_t, std::chrono::steady_clock::time_point>> sent_;  // by sequence
};

// One address, one echo: the round-trip time in ms, or -1 for no valid answer within `timeout`.
int PingHost(std::uint32_t address, std::chrono::milliseconds timeout);

}  // namespace tandril::search
