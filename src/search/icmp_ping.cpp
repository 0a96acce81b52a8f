#include "search/icmp_ping.h"

#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace tandril::search {
namespace {

using Clock = std::chrono::steady_clock;

std::uint16_t Checksum(const unsigned char* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2) sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

IcmpSocket::IcmpSocket(platform::Socket socket, bool raw) : socket_(std::move(socket)), raw_(raw) {
    identifier_ = static_cast<std::uint16_t>(::getpid() ^ reinterpret_cast<std::uintptr_t>(this));
    // Replies to a whole search's worth of echoes arrive together (a raw socket also sees every
    // other ICMP message of the host): room for them, as much as the system grants.
    const int bytes = 4 << 20;
    if (::setsockopt(socket_.fd(), SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0) {
        ::setsockopt(socket_.fd(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    }
}

std::optional<IcmpSocket> IcmpSocket::Open() {
    platform::Socket s(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP));
    if (s) return IcmpSocket(std::move(s), false);
    platform::Socket raw(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_ICMP));
    if (raw) return IcmpSocket(std::move(raw), true);
    return std::nullopt;
}

bool IcmpSocket::Send(std::uint32_t address) {
    const std::uint16_t sequence = ++sequence_;
    unsigned char packet[8] = {ICMP_ECHO,
                               0,
                               0,
                               0,
                               static_cast<unsigned char>(identifier_ >> 8),
                               static_cast<unsigned char>(identifier_),
                               static_cast<unsigned char>(sequence >> 8),
                               static_cast<unsigned char>(sequence)};
    std::uint16_t sum = Checksum(packet, sizeof packet);
    packet[2] = static_cast<unsigned char>(sum >> 8);
    packet[3] = static_cast<unsigned char>(sum);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    if (::sendto(socket_.fd(), packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) != sizeof packet) return false;
    sent_[sequence] = {address, Clock::now()};
    return true;
}

std::optional<std::pair<std::uint32_t, int>> IcmpSocket::Receive(std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    for (;;) {
        unsigned char buffer[1500];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        ssize_t n = ::recvfrom(socket_.fd(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n > 0) {
            std::size_t offset = 0;
            if (raw_) {
                // A raw socket hands over the IP header and every ICMP message of the host.
                if (n < 20) continue;
                offset = static_cast<std::size_t>(buffer[0] & 0x0F) * 4;
            }
            if (static_cast<std::size_t>(n) < offset + 8 || buffer[offset] != ICMP_ECHOREPLY) continue;
            // A ping socket's identifier is chosen by the kernel; a raw one carries ours.
            std::uint16_t identifier = static_cast<std::uint16_t>(buffer[offset + 4] << 8 | buffer[offset + 5]);
            if (raw_ && identifier != identifier_) continue;
            std::uint16_t sequence = static_cast<std::uint16_t>(buffer[offset + 6] << 8 | buffer[offset + 7]);
            auto it = sent_.find(sequence);
            if (it == sent_.end() || it->second.first != from.sin_addr.s_addr) continue;
            auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - it->second.second);
            std::uint32_t address = it->second.first;
            sent_.erase(it);
            return std::pair{address, static_cast<int>(elapsed.count())};
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{socket_.fd(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
    }
}

int PingHost(std::uint32_t address, std::chrono::milliseconds timeout) {
    auto socket = IcmpSocket::Open();
    if (!socket || !socket->Send(address)) return -1;
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        auto reply = socket->Receive(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
        if (!reply) return -1;
        if (reply->first == address) return reply->second;
    }
    return -1;
}

}  // namespace tandril::search
