// Pings 1,000 distinct loopback-range addresses (127.0.0.1 to 127.0.3.232) the way a search by
// response time does: every echo from one socket, replies matched as they come.
//
//   build/release/bench/ping_bench [addresses]

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "search/icmp_ping.h"

using namespace tandril::search;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    auto socket = IcmpSocket::Open();
    if (!socket) {
        std::printf("no ICMP socket here: allow ping sockets (net.ipv4.ping_group_range) or run as root\n");
        return 1;
    }
    std::set<std::uint32_t> waiting;
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        std::uint32_t address = htonl(0x7F000001u + static_cast<std::uint32_t>(i));
        if (socket->Send(address)) waiting.insert(address);
    }
    int slowest = 0;
    while (!waiting.empty()) {
        auto reply = socket->Receive(std::chrono::milliseconds(1000));
        if (!reply) break;
        if (waiting.erase(reply->first)) slowest = std::max(slowest, reply->second);
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%d addresses: %d answered in %.1f ms (slowest reply %d ms), %zu unanswered\n", count,
                count - static_cast<int>(waiting.size()), seconds * 1000, slowest, waiting.size());
    return 0;
}
