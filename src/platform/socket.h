#pragma once
// A thin RAII layer over POSIX TCP sockets: one owner per descriptor, closed on every path.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tandril::platform {

// Prepares the process for networking: a peer that closes while we write must fail that write,
// not end the program. Always succeeds on Linux; safe to call more than once.
bool InitNetworking();

class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept : fd_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept;
    ~Socket() { reset(); }

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// An IPv4 address in host order with its port.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};

std::string DottedAddress(std::uint32_t hostOrder);
std::optional<std::uint32_t> ParseDottedAddress(std::string_view text);
// A dotted address is used as it is; anything else goes through the system's host lookup.
std::optional<std::uint32_t> ResolveHostBlocking(const std::string& host);

enum class ConnectResult { Connected, TimedOutOrRefused, Failed };
// Connects with a bound on the wait; the returned socket is blocking.
ConnectResult ConnectBlocking(Endpoint to, std::chrono::milliseconds timeout, Socket& out);

// Listens on the loopback or all interfaces; port 0 picks a free one (read it back with LocalPort).
Socket ListenTcp(std::uint16_t port, bool loopbackOnly, int backlog = 16);
std::uint16_t LocalPort(const Socket& s);

enum class WaitResult { Ready, TimedOut, Failed };
WaitResult WaitReadable(int fd, std::optional<std::chrono::milliseconds> timeout);
WaitResult WaitWritable(int fd, std::optional<std::chrono::milliseconds> timeout);

void SetBlocking(int fd, bool blocking);
void SetBuffers(int fd, int bytes);

// Writes everything, waiting at most `stall` each time the peer takes nothing; false when the
// connection failed or stalled.
bool SendAllBlocking(int fd, std::string_view bytes, std::chrono::milliseconds stall = std::chrono::seconds(60));

}  // namespace tandril::platform
