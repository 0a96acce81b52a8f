#include "protocol/ignore_messages.h"

#include "base/text.h"

namespace tandril::protocol {

template <MessageType T>
std::optional<IgnoreListUser<T>> IgnoreListUser<T>::Decode(std::string_view payload) {
    auto user = GetField(payload, 1, kNickWidth + 1);
    if (!user || user->empty()) return std::nullopt;
    return IgnoreListUser{*user};
}

template struct IgnoreListUser<MessageType::IgnoredUser>;
template struct IgnoreListUser<MessageType::Ignore>;
template struct IgnoreListUser<MessageType::Unignore>;
template struct IgnoreListUser<MessageType::IgnoreNoSuchUser>;
template struct IgnoreListUser<MessageType::IgnoreAlreadyIgnored>;

}  // namespace tandril::protocol
