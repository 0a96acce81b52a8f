#pragma once
// A peer on loopback that plays an uploader for one connection: sends `greeting`, reads the request
// up to the end of the quoted file name, answers `reply`, then sends `body` in pieces of `piece`
// bytes `pause` apart, and keeps the connection `hold` longer (without a byte) unless the other
// side closes it first.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

#include "platform/socket.h"

namespace tandril::test {

struct UploaderScript {
    std::string greeting = "1";
    std::string reply;
    std::string body;
    std::size_t piece = 4096;
    std::chrono::milliseconds pause{0};
    std::chrono::milliseconds hold{0};
};

class FakeUploader {
public:
    explicit FakeUploader(UploaderScript script);
    // What the client asked for.
    std::string Request();
    // No more of the body goes out.
    void StopSending() { thread_.request_stop(); }
    // Waits until the connection was served.
    void Join() { thread_.join(); }
    int Port() const { return port_; }

private:
    void Serve(const UploaderScript& script, std::stop_token stop);
    platform::Socket socket_;
    int port_;
    std::mutex requestLock_;
    std::string request_;
    std::jthread thread_;  // last: ends before the socket closes
};

}  // namespace tandril::test
