#pragma once
// The ignore list the server keeps for this user: asking for it (320, answered with 321 entries
// and a closing 320), ignoring and unignoring a user (322, 323), clearing it (326), and the two
// refusals (324 no such user, 325 already ignored).

#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

// A message that names one user: the whole payload out, the first field (a nick's width) in.
template <MessageType T>
struct IgnoreListUser {
    static constexpr MessageType kType = T;
    std::string user;
    std::string Encode() const { return user; }
    static std::optional<IgnoreListUser> Decode(std::string_view payload);
};

using IgnoredUserEntry = IgnoreListUser<MessageType::IgnoredUser>;               // 321 from the server
using IgnoreRequest = IgnoreListUser<MessageType::Ignore>;                       // 322 to the server
using UnignoreRequest = IgnoreListUser<MessageType::Unignore>;                   // 323 to the server
using IgnoreNoSuchUser = IgnoreListUser<MessageType::IgnoreNoSuchUser>;          // 324 from the server
using IgnoreAlreadyIgnored = IgnoreListUser<MessageType::IgnoreAlreadyIgnored>;  // 325 from the server

using IgnoreListRequest = EmptyMessage<MessageType::IgnoreList>;    // 320 to the server
using IgnoreListEnd = TextMessage<MessageType::IgnoreList>;         // 320 from the server: any payload (the count)
using IgnoreClearRequest = EmptyMessage<MessageType::IgnoreClear>;  // 326 to the server

}  // namespace tandril::protocol
