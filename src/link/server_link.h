#pragma once
// The one connection to the index server: whole frames out from any thread, frames in either
// blocking (the login worker, before notifications are armed) or through readiness notifications
// on the GUI thread, one frame per event-loop turn.

#include <QObject>
#include <QSocketNotifier>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/thread_queue.h"
#include "platform/socket.h"
#include "protocol/frame_sender.h"

namespace tandril::link {

class ServerLink : public QObject, public protocol::FrameSender {
    Q_OBJECT
public:
    struct Callbacks {
        // A send failed; runs on the sending thread after the link let go of its locks.
        std::function<void()> sendFailed;
        // One frame, on the GUI thread; the payload is at most 2047 bytes, converted to UTF-8.
        std::function<void(int type, const std::string& payload)> frameArrived;
        // The server closed the connection or broke the framing, on the GUI thread.
        std::function<void()> connectionLost;
    };

    explicit ServerLink(ThreadQueue& gui, QObject* parent = nullptr);
    ~ServerLink() override;

    void SetCallbacks(Callbacks callbacks) { callbacks_ = std::move(callbacks); }
    // Bounds a blocking read or a wait to write; a server that stays silent this long is gone.
    void SetStallTimeout(std::chrono::milliseconds timeout) { stallTimeout_ = timeout; }

    // Takes the freshly connected socket as the server socket (closing any earlier one).
    void Attach(platform::Socket socket);
    bool IsOpen() const { return fd_.load() >= 0; }
    // Closes the server socket; callable from any thread.
    void Close();

    // 1 when the whole frame was written; 0 when there is no connection or it failed while sending.
    int SendServerMessage(std::uint16_t type, std::string_view text);
    int SendFrame(protocol::MessageType type, std::string_view payload) override {
        return SendServerMessage(static_cast<std::uint16_t>(type), payload);
    }
    int SendFrames(const Frames& frames) override;
    // The frame's type, or -1 when the connection failed. At most size - 1 payload bytes are kept;
    // when the connection fails inside a payload, `text` becomes "Disconnected!".
    int ReceiveServerMessage(std::string& text, std::size_t size);

    void EnableServerNotifications();
    void DisableServerNotifications();
    bool NotificationsArmed() const { return armed_.load(); }

private:
    // Writes one encoded frame; the send lock is held. False when the connection failed.
    bool WriteFrame(int fd, const std::string& frame);
    void RunOnGuiThread(std::function<void()> fn);
    void CreateNotifier();
    void OnReadable();
    void ProcessInbox();

    ThreadQueue& gui_;
    Callbacks callbacks_;
    std::chrono::milliseconds stallTimeout_{std::chrono::seconds(60)};

    std::atomic<int> fd_{-1};
    std::atomic<bool> armed_{false};
    std::mutex stateLock_;  // guards socket_
    std::shared_ptr<platform::Socket> socket_;
    std::mutex sendLock_;  // one whole frame at a time
    std::mutex recvLock_;  // guards inbox_ and peerClosed_
    std::string inbox_;
    bool peerClosed_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;  // GUI thread only
};

}  // namespace tandril::link
