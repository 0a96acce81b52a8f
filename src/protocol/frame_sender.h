#pragma once
// Where the parts hand their messages for the index server: the server link in the running
// client, a recorder in tests.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/message_type.h"

namespace tandril::protocol {

class FrameSender {
public:
    virtual ~FrameSender() = default;
    // 1 when the whole frame was written; 0 when there is no connection or it failed while sending.
    virtual int SendFrame(MessageType type, std::string_view payload) = 0;
    // Several frames that belong together, written one after the other with no frame of another
    // sender between them; 1 when all were written.
    using Frames = std::vector<std::pair<MessageType, std::string>>;
    virtual int SendFrames(const Frames& frames) {
        int sent = 1;
        for (const auto& [type, payload] : frames) sent &= SendFrame(type, payload);
        return sent;
    }
};

template <typename Message>
int Send(FrameSender& to, const Message& message) {
    return to.SendFrame(Message::kType, message.Encode());
}

// The frames that a change made under a lock asks for. They go out together when the outbox
// does: declared before the lock, that is after the lock was let go, so that no lock of a list is
// held while writing to the server.
class Outbox {
public:
    explicit Outbox(FrameSender& to) : to_(to) {}
    ~Outbox() { to_.SendFrames(frames_); }
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;
    template <typename Message>
    void Add(const Message& message) {
        frames_.emplace_back(Message::kType, message.Encode());
    }

private:
    FrameSender& to_;
    FrameSender::Frames frames_;
};

}  // namespace tandril::protocol
