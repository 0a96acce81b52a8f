#include "protocol/private_messages.h"

#include "base/text.h"

namespace tandril::protocol {

std::string ReceivedPrivateMessage::Encode() const {
    return sender + " " + text;
}

std::optional<ReceivedPrivateMessage> ReceivedPrivateMessage::Decode(std::string_view payload) {
    std::size_t blank = payload.find(' ');
    if (blank == std::string_view::npos || blank == 0) return std::nullopt;
    return ReceivedPrivateMessage{CutText(payload.substr(0, blank), kNickWidth), std::string(payload.substr(blank + 1))};
}

}  // namespace tandril::protocol
