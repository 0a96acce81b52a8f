#pragma once
// The hot list's messages: adding a user (207, answered by 301 or 302), registering the list after
// a login (208), removing a user (303), and the server's word that a listed user signed on (209)
// or off (210). Each names one user (cut to the nick's width); 209 adds the line speed.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

using HotListAdd = UserMessage<MessageType::HotListAdd>;
using HotListRegister = UserMessage<MessageType::HotListRegister>;
using HotListRemove = UserMessage<MessageType::HotListRemove>;
using HotListAdded = UserMessage<MessageType::HotListAdded>;
using HotListNoSuchUser = UserMessage<MessageType::HotListNoSuchUser>;
using HotListUserOffline = UserMessage<MessageType::HotListUserOffline>;

// 209: "user speed"; both needed. The speed is the line-speed index (negative: unknown).
struct HotListUserOnline {
    static constexpr MessageType kType = MessageType::HotListUserOnline;
    std::string user;
    int lineSpeed = 0;
    std::string Encode() const;
    static std::optional<HotListUserOnline> Decode(std::string_view payload);
};

}  // namespace tandril::protocol
