#pragma once
// A private message as the server delivers it (205): the sender, a blank, then the text. The
// outgoing form (recipient, text) is `PrivateMessage` among the chat commands' messages.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

// 205 from the server. The sender is everything before the first blank (cut to a nick's width),
// the text everything after it; a payload without a blank does not decode.
struct ReceivedPrivateMessage {
    static constexpr MessageType kType = MessageType::PrivateMessage;
    std::string sender;
    std::string text;
    std::string Encode() const;
    static std::optional<ReceivedPrivateMessage> Decode(std::string_view payload);
};

}  // namespace tandril::protocol
