#pragma once
// The single-instance channel: the first process of a profile listens on a local (Unix) socket;
// a later process connects to it and hands over one short message.

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/socket.h"

namespace tandril::platform {

class LocalInstanceServer {
public:
    using Handler = std::function<void(std::string message)>;

    // Null when another live process already listens on the path.
    static std::unique_ptr<LocalInstanceServer> Listen(const std::filesystem::path& socketPath, Handler handler);
    ~LocalInstanceServer();
    LocalInstanceServer(const LocalInstanceServer&) = delete;
    LocalInstanceServer& operator=(const LocalInstanceServer&) = delete;

private:
    LocalInstanceServer(std::filesystem::path path, Socket listener, Handler handler);
    void Serve(std::stop_token stop);

    std::filesystem::path path_;
    Socket listener_;
    Handler handler_;
    std::jthread thread_;
};

// Sends one message to the running instance; false when none is listening.
bool SendToRunningInstance(const std::filesystem::path& socketPath, const std::string& message);
bool IsInstanceRunning(const std::filesystem::path& socketPath);

// The socket path for a profile folder (one instance per profile).
std::filesystem::path InstanceSocketPath(const std::filesystem::path& profileFolder);

}  // namespace tandril::platform
