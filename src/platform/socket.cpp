#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace tandril::platform {

bool InitNetworking() {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int Socket::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void Socket::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

std::string DottedAddress(std::uint32_t hostOrder) {
    return std::to_string((hostOrder >> 24) & 255) + "." + std::to_string((hostOrder >> 16) & 255) + "." +
           std::to_string((hostOrder >> 8) & 255) + "." + std::to_string(hostOrder & 255);
}

std::optional<std::uint32_t> ParseDottedAddress(std::string_view text) {
    std::string copy(text);
    in_addr addr{};
    if (inet_pton(AF_INET, copy.c_str(), &addr) != 1) return std::nullopt;
    return ntohl(addr.s_addr);
}

std::optional<std::uint32_t> ResolveHostBlocking(const std::string& host) {
    if (auto dotted = ParseDottedAddress(host)) return dotted;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return std::nullopt;
    auto* sin = reinterpret_cast<sockaddr_in*>(found->ai_addr);
    std::uint32_t result = ntohl(sin->sin_addr.s_addr);
    freeaddrinfo(found);
    return result;
}

static sockaddr_in ToSockaddr(Endpoint e) {
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(e.address);
    sin.sin_port = htons(e.port);
    return sin;
}

ConnectResult ConnectBlocking(Endpoint to, std::chrono::milliseconds timeout, Socket& out) {
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) return ConnectResult::Failed;
    SetBlocking(s.fd(), false);
    sockaddr_in sin = ToSockaddr(to);
    if (::connect(s.fd(), reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
        if (errno == ECONNREFUSED) return ConnectResult::TimedOutOrRefused;
        if (errno != EINPROGRESS) return ConnectResult::Failed;
        if (WaitWritable(s.fd(), timeout) != WaitResult::Ready) return ConnectResult::TimedOutOrRefused;
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(s.fd(), SOL_SOCKET, SO_ERROR, &err, &len);
        if (err == ECONNREFUSED || err == ETIMEDOUT) return ConnectResult::TimedOutOrRefused;
        if (err != 0) return ConnectResult::Failed;
    }
    SetBlocking(s.fd(), true);
    out = std::move(s);
    return ConnectResult::Connected;
}

Socket ListenTcp(std::uint16_t port, bool loopbackOnly, int backlog) {
    Socket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) return {};
    int one = 1;
    setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY);
    sin.sin_port = htons(port);
    if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) return {};
    if (::listen(s.fd(), backlog) != 0) return {};
    return s;
}

std::uint16_t LocalPort(const Socket& s) {
    sockaddr_in sin{};
    socklen_t len = sizeof sin;
    if (getsockname(s.fd(), reinterpret_cast<sockaddr*>(&sin), &len) != 0) return 0;
    return ntohs(sin.sin_port);
}

static WaitResult WaitFor(int fd, short events, std::optional<std::chrono::milliseconds> timeout) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeout ? static_cast<int>(timeout->count()) : -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return WaitResult::Failed;
        if (n == 0) return WaitResult::TimedOut;
        if (p.revents & POLLNVAL) return WaitResult::Failed;
        return WaitResult::Ready;  // errors and hang-ups show up on the following read or write
    }
}

WaitResult WaitReadable(int fd, std::optional<std::chrono::milliseconds> timeout) {
    return WaitFor(fd, POLLIN, timeout);
}

WaitResult WaitWritable(int fd, std::optional<std::chrono::milliseconds> timeout) {
    return WaitFor(fd, POLLOUT, timeout);
}

void SetBlocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return;
    fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

void SetBuffers(int fd, int bytes) {
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

bool SendAllBlocking(int fd, std::string_view bytes, std::chrono::milliseconds stall) {
    while (!bytes.empty()) {
        if (WaitWritable(fd, stall) != WaitResult::Ready) return false;
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace tandril::platform
