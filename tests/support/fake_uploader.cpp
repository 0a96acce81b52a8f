#include "support/fake_uploader.h"

#include <sys/socket.h>

namespace tandril::test {

using namespace std::chrono_literals;

FakeUploader::FakeUploader(UploaderScript script)
    : socket_(platform::ListenTcp(0, true)),
      port_(platform::LocalPort(socket_)),
      thread_([this, script = std::move(script)](std::stop_token stop) { Serve(script, stop); }) {}

std::string FakeUploader::Request() {
    std::scoped_lock lock(requestLock_);
    return request_;
}

void FakeUploader::Serve(const UploaderScript& script, std::stop_token stop) {
    if (platform::WaitReadable(socket_.fd(), 10s) != platform::WaitResult::Ready) return;
    platform::Socket peer(::accept(socket_.fd(), nullptr, nullptr));
    platform::SendAllBlocking(peer.fd(), script.greeting);
    char buf[4096];
    std::string got;
    while (got.find("\" ") == std::string::npos && platform::WaitReadable(peer.fd(), 5s) == platform::WaitResult::Ready) {
        ssize_t k = ::recv(peer.fd(), buf, sizeof buf, 0);
        if (k <= 0) break;
        got.append(buf, static_cast<std::size_t>(k));
    }
    {
        std::scoped_lock lock(requestLock_);
        request_ = got;
    }
    platform::SendAllBlocking(peer.fd(), script.reply);
    for (std::size_t at = 0; at < script.body.size() && !stop.stop_requested(); at += script.piece) {
        if (!platform::SendAllBlocking(peer.fd(), std::string_view(script.body).substr(at, script.piece))) return;
        std::this_thread::sleep_for(script.pause);
    }
    platform::WaitReadable(peer.fd(), script.hold);
}

}  // namespace tandril::test
