#pragma once
// Where the parts hand their messages for the index server: the server link in the running
// client, a recorder in tests.

#include <string_view>

#include "protocol/message_type.h"

namespace tandril::protocol {

class FrameSender {
public:
    virtual ~FrameSender() = default;
    // 1 when the whole frame was written; 0 when there is no connection or it failed while sending.
    virtual int SendFrame(MessageType type, std::string_view payload) = 0;
};

template <typename Message>
int Send(FrameSender& to, const Message& message) {
    return to.SendFrame(Message::kType, message.Encode());
}

}  // namespace tandril::protocol
