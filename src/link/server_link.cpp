#include "link/server_link.h"

#include <sys/socket.h>

#include <cerrno>
#include <thread>

#include "base/text.h"
#include "base/wire_text.h"
#include "protocol/framing.h"

namespace tandril::link {

using namespace std::chrono_literals;
using namespace protocol;

namespace {
constexpr int kSocketBuffers = 65536;
constexpr std::size_t kReadChunk = 65536;
}  // namespace

ServerLink::ServerLink(ThreadQueue& gui, QObject* parent) : QObject(parent), gui_(gui) {}

ServerLink::~ServerLink() {
    armed_ = false;
    notifier_.reset();
    int fd = fd_.exchange(-1);
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

void ServerLink::RunOnGuiThread(std::function<void()> fn) {
    gui_.RunOrPost(std::move(fn));
}

void ServerLink::Attach(platform::Socket socket) {
    Close();
    platform::SetBuffers(socket.fd(), kSocketBuffers);
    {
        std::scoped_lock lock(recvLock_);
        inbox_.clear();
        peerClosed_ = false;
    }
    std::scoped_lock lock(stateLock_);
    fd_ = socket.fd();
    socket_ = std::make_shared<platform::Socket>(std::move(socket));
}

void ServerLink::Close() {
    int fd = fd_.exchange(-1);
    if (fd < 0) return;
    // Wake any thread blocked on the socket; the descriptor itself is closed on the GUI thread once
    // no sender or reader holds it, so its number cannot be reused under their feet.
    ::shutdown(fd, SHUT_RDWR);
    std::shared_ptr<platform::Socket> old;
    {
        std::scoped_lock lock(stateLock_);
        old = std::move(socket_);
    }
    RunOnGuiThread([this, old, fd]() mutable {
        if (notifier_ && notifier_->socket() == fd) notifier_.reset();
        std::scoped_lock lock(sendLock_, recvLock_);
        old.reset();
    });
}

bool ServerLink::WriteFrame(int fd, const std::string& frame) {
    std::string_view rest = frame;
    while (!rest.empty()) {
        if (platform::WaitWritable(fd, stallTimeout_) != platform::WaitResult::Ready) return false;
        ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            rest.remove_prefix(static_cast<std::size_t>(n));
        } else if (errno == EAGAIN || errno == ENOBUFS) {
            std::this_thread::sleep_for(50ms);
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

int ServerLink::SendServerMessage(std::uint16_t type, std::string_view text) {
    bool failed = false;
    {
        std::scoped_lock lock(sendLock_);
        int fd = fd_.load();
        if (fd < 0) return 0;
        failed = !WriteFrame(fd, EncodeFrame(type, ToWireText(text)));
    }
    if (failed && callbacks_.sendFailed) callbacks_.sendFailed();
    return failed ? 0 : 1;
}

int ServerLink::SendFrames(const Frames& frames) {
    if (frames.empty()) return 1;
    bool failed = false;
    {
        std::scoped_lock lock(sendLock_);
        int fd = fd_.load();
        if (fd < 0) return 0;
        for (const auto& [type, payload] : frames) {
            if (!WriteFrame(fd, EncodeFrame(static_cast<std::uint16_t>(type), ToWireText(payload)))) {
                failed = true;
                break;
            }
        }
    }
    if (failed && callbacks_.sendFailed) callbacks_.sendFailed();
    return failed ? 0 : 1;
}

int ServerLink::ReceiveServerMessage(std::string& text, std::size_t size) {
    std::scoped_lock lock(recvLock_);
    for (;;) {
        ParsedFrame frame = ParseFrame(inbox_);
        if (frame.status == FrameStatus::Malformed) return -1;
        if (frame.status == FrameStatus::Complete) {
            std::size_t keep = size == 0 ? 0 : std::min(frame.payload.size(), size - 1);
            text = FromWireText(frame.payload.substr(0, keep));
            int type = frame.type;
            inbox_.erase(0, frame.consumed);
            return type;
        }
        auto fail = [&] {
            if (HeaderComplete(inbox_)) text = CutText("Disconnected!", size == 0 ? 0 : size - 1);
            return -1;
        };
        int fd = fd_.load();
        if (fd < 0 || peerClosed_) return fail();
        auto ready = platform::WaitReadable(fd, stallTimeout_);
        if (ready != platform::WaitResult::Ready) return fail();
        char buf[4096];
        ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) {
            inbox_.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            peerClosed_ = true;
            return fail();
        }
    }
}

void ServerLink::EnableServerNotifications() {
    if (armed_.exchange(true)) return;
    RunOnGuiThread([this] {
        CreateNotifier();
        // Frames that came in with the login reply are already buffered: hand them over too.
        gui_.Post([this] { ProcessInbox(); });
    });
}

void ServerLink::DisableServerNotifications() {
    if (!armed_.exchange(false)) return;
    RunOnGuiThread([this] {
        if (!armed_) notifier_.reset();
    });
}

void ServerLink::CreateNotifier() {
    int fd = fd_.load();
    if (!armed_ || fd < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
}

void ServerLink::OnReadable() {
    if (!armed_) return;
    int fd = fd_.load();
    {
        std::scoped_lock lock(recvLock_);
        if (fd >= 0 && !peerClosed_ && ParseFrame(inbox_).status == FrameStatus::NeedMore) {
            std::string buf(kReadChunk, '\0');
            ssize_t n = ::recv(fd, buf.data(), buf.size(), MSG_DONTWAIT);
            if (n > 0) {
                inbox_.append(buf.data(), static_cast<std::size_t>(n));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                peerClosed_ = true;
            }
        }
    }
    ProcessInbox();
}

void ServerLink::ProcessInbox() {
    if (!armed_) return;
    bool haveFrame = false, more = false, lost = false;
    int type = 0;
    std::string payload;
    {
        std::scoped_lock lock(recvLock_);
        ParsedFrame frame = ParseFrame(inbox_);
        if (frame.status == FrameStatus::Complete) {
            haveFrame = true;
            type = frame.type;
            payload = FromWireText(frame.payload.substr(0, std::min(frame.payload.size(), kMainReceiveBuffer - 1)));
            inbox_.erase(0, frame.consumed);
            more = ParseFrame(inbox_).status != FrameStatus::NeedMore || peerClosed_;
        } else {
            lost = frame.status == FrameStatus::Malformed || peerClosed_;
        }
    }
    // While whole frames wait in the buffer there is nothing to read; the notifier rests until
    // they have been handed over, one per turn.
    if (notifier_) notifier_->setEnabled(!more && !lost);
    if (haveFrame) {
        if (callbacks_.frameArrived) callbacks_.frameArrived(type, payload);
        if (more) gui_.Post([this] { ProcessInbox(); });
    } else if (lost) {
        armed_ = false;
        notifier_.reset();
        if (callbacks_.connectionLost) callbacks_.connectionLost();
    }
}

}  // namespace tandril::link
