#include "link/proxy_client.h"

#include <sys/socket.h>

#include "base/runtime.h"
#include "base/text.h"

namespace tandril::link {

using namespace std::chrono_literals;

namespace {

constexpr int kSocketBuffers = 65536;
constexpr auto kConnectTimeout = 20s;
constexpr auto kGreetingWait = 10s;
constexpr auto kConnectAnswerWait = 8s;

// Reads exactly `n` bytes within the wait; false when fewer came.
bool ReadExactly(int fd, unsigned char* out, std::size_t n, std::chrono::milliseconds wait) {
    auto until = std::chrono::steady_clock::now() + wait;
    std::size_t got = 0;
    while (got < n) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || platform::WaitReadable(fd, left) != platform::WaitResult::Ready) return false;
        ssize_t r = ::recv(fd, out + got, n - got, 0);
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool Send(int fd, const std::string& bytes) {
    return platform::SendAllBlocking(fd, bytes);
}

}  // namespace

bool ProxyGreeting(int fd, const Settings& s, std::chrono::milliseconds timeout) {
    if (s.proxyVersion != 5) return true;
    bool credentials = !s.proxyUser.empty() && !s.proxyPass.empty();
    if (!Send(fd, std::string{5, 1, static_cast<char>(credentials ? 2 : 0)})) return false;
    unsigned char answer[2];
    if (!ReadExactly(fd, answer, 2, timeout) || answer[1] == 255) return false;
    if (!credentials) return true;
    std::string user = s.proxyUser.substr(0, 49);
    std::string pass = s.proxyPass.substr(0, 255);
    std::string message{1, static_cast<char>(user.size())};
    message += user;
    message.push_back(static_cast<char>(pass.size()));
    message += pass;
    if (!Send(fd, message)) return false;
    return ReadExactly(fd, answer, 2, timeout) && answer[1] == 0;
}

bool ProxyConnectRequest(int fd, const Settings& s, platform::Endpoint to, std::chrono::milliseconds timeout) {
    auto byte = [](unsigned v) { return static_cast<char>(v & 0xFF); };
    std::string request;
    if (s.proxyVersion == 5) {
        request = {5,
                   1,
                   0,
                   1,
                   byte(to.address >> 24),
                   byte(to.address >> 16),
                   byte(to.address >> 8),
                   byte(to.address),
                   byte(to.port >> 8u),
                   byte(to.port)};
    } else {
        request = {4,
                   1,
                   byte(to.port >> 8u),
                   byte(to.port),
                   byte(to.address >> 24),
                   byte(to.address >> 16),
                   byte(to.address >> 8),
                   byte(to.address),
                   'x',
                   0};
    }
    if (!Send(fd, request)) return false;
    if (platform::WaitReadable(fd, timeout) != platform::WaitResult::Ready) return false;
    unsigned char answer[10];
    ssize_t n = ::recv(fd, answer, sizeof answer, 0);
    if (n < 1) return false;
    // A one-byte answer has no status: it is not a grant.
    if (n < 2) return false;
    return s.proxyVersion == 5 ? answer[1] == 0 : answer[1] == 90;
}

ProxyOutcome ConnectThroughProxy(Runtime& client, platform::Endpoint to, bool peer) {
    const Settings& s = client.state.settings();
    ProxyOutcome outcome;
    if (s.proxyVersion != 0 && (!peer || s.proxyTransfers)) {
        auto proxy = platform::ResolveHostBlocking(s.proxyServer);
        if (!proxy) {
            client.ui.ShowAlert(AlertKind::Modal, Format(511, "Unable to resolve address: %s", s.proxyServer.c_str()));
            return outcome;
        }
        if (*proxy == 0) return outcome;
        platform::Socket socket;
        if (platform::ConnectBlocking({*proxy, static_cast<std::uint16_t>(s.proxyPort)}, kConnectTimeout, socket) !=
            platform::ConnectResult::Connected) {
            return outcome;
        }
        platform::SetBuffers(socket.fd(), kSocketBuffers);
        if (!ProxyGreeting(socket.fd(), s, client.Scaled(kGreetingWait))) {
            client.ui.ShowAlert(AlertKind::Modeless, "Error communicating with proxy!");
            return outcome;
        }
        if (!ProxyConnectRequest(socket.fd(), s, to, client.Scaled(kConnectAnswerWait))) return outcome;
        outcome.status = 1;
        outcome.socket = std::move(socket);
        return outcome;
    }
    platform::Socket socket;
    switch (platform::ConnectBlocking(to, kConnectTimeout, socket)) {
        case platform::ConnectResult::Connected:
            platform::SetBuffers(socket.fd(), kSocketBuffers);
            outcome.status = 1;
            outcome.socket = std::move(socket);
            break;
        case platform::ConnectResult::TimedOutOrRefused:
            outcome.status = 0;
            break;
        case platform::ConnectResult::Failed:
            outcome.status = -1;
            break;
    }
    return outcome;
}

}  // namespace tandril::link
