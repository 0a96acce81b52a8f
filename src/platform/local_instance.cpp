#include "platform/local_instance.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/profile_folder.h"

namespace tandril::platform {

namespace {

constexpr std::size_t kMaxMessage = 4096;

std::optional<sockaddr_un> Address(const std::filesystem::path& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof addr.sun_path) return std::nullopt;
    std::memcpy(addr.sun_path, text.c_str(), text.size() + 1);
    return addr;
}

Socket ConnectLocal(const std::filesystem::path& path) {
    auto addr = Address(path);
    if (!addr) return {};
    Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) return {};
    if (::connect(s.fd(), reinterpret_cast<sockaddr*>(&*addr), sizeof *addr) != 0) return {};
    return s;
}

}  // namespace

std::filesystem::path InstanceSocketPath(const std::filesystem::path& profileFolder) {
    std::error_code ec;
    auto canonical = std::filesystem::weakly_canonical(profileFolder, ec);
    std::size_t key = std::hash<std::string>{}((ec ? profileFolder : canonical).native());
    char name[64];
    std::snprintf(name, sizeof name, "tandril-%d-%016zx.sock", static_cast<int>(::getuid()), key);
    return RuntimeFolder() / name;
}

std::unique_ptr<LocalInstanceServer> LocalInstanceServer::Listen(const std::filesystem::path& socketPath, Handler handler) {
    auto addr = Address(socketPath);
    if (!addr) return nullptr;
    if (IsInstanceRunning(socketPath)) return nullptr;
    ::unlink(socketPath.c_str());  // left behind by a process that did not end cleanly
    Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) return nullptr;
    if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&*addr), sizeof *addr) != 0) return nullptr;
    if (::listen(s.fd(), 4) != 0) return nullptr;
    return std::unique_ptr<LocalInstanceServer>(new LocalInstanceServer(socketPath, std::move(s), std::move(handler)));
}

LocalInstanceServer::LocalInstanceServer(std::filesystem::path path, Socket listener, Handler handler)
    : path_(std::move(path)), listener_(std::move(listener)), handler_(std::move(handler)) {
    thread_ = std::jthread([this](std::stop_token stop) { Serve(stop); });
}

LocalInstanceServer::~LocalInstanceServer() {
    thread_.request_stop();
    ::shutdown(listener_.fd(), SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::unlink(path_.c_str());
}

void LocalInstanceServer::Serve(std::stop_token stop) {
    using namespace std::chrono_literals;
    while (!stop.stop_requested()) {
        auto ready = WaitReadable(listener_.fd(), 200ms);
        if (ready == WaitResult::Failed) return;
        if (ready == WaitResult::TimedOut) continue;
        Socket peer(::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!peer) {
            if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
            return;
        }
        // A message ends when the sender closes; a silent or endless sender is cut off.
        std::string message;
        char buf[1024];
        while (message.size() < kMaxMessage && WaitReadable(peer.fd(), 2s) == WaitResult::Ready) {
            ssize_t n = ::recv(peer.fd(), buf, sizeof buf, 0);
            if (n <= 0) break;
            message.append(buf, static_cast<std::size_t>(n));
        }
        if (message.size() > kMaxMessage) message.resize(kMaxMessage);
        handler_(std::move(message));
    }
}

bool SendToRunningInstance(const std::filesystem::path& socketPath, const std::string& message) {
    Socket s = ConnectLocal(socketPath);
    if (!s) return false;
    return SendAllBlocking(s.fd(), message);
}

bool IsInstanceRunning(const std::filesystem::path& socketPath) {
    return ConnectLocal(socketPath).valid();
}

}  // namespace tandril::platform
