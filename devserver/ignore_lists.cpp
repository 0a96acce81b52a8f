#include "devserver/ignore_lists.h"

#include <algorithm>

#include "base/text.h"

namespace tandril::devserver {

using protocol::MessageType;

namespace {

constexpr std::size_t kNickSize = 20;  // 19 characters

}  // namespace

bool IgnoreLists::Handle(const std::string& user, MessageType type, const std::string& payload, std::vector<Delivery>& out) {
    std::vector<std::string>& list = lists_[user];
    auto reply = [&](MessageType t, std::string text) { out.push_back({user, t, std::move(text)}); };
    switch (type) {
        case MessageType::IgnoreList:
            for (const std::string& entry : list) reply(MessageType::IgnoredUser, entry);
            reply(MessageType::IgnoreList, std::to_string(list.size()));
            return true;
        case MessageType::Ignore: {
            std::string other = GetField(payload, 1, kNickSize).value_or("");
            if (other.empty()) return true;
            if (!known_(other)) {
                reply(MessageType::IgnoreNoSuchUser, other);
            } else if (Ignores(user, other)) {
                reply(MessageType::IgnoreAlreadyIgnored, other);
            } else {
                list.push_back(other);
                reply(MessageType::Ignore, other);
            }
            return true;
        }
        case MessageType::Unignore: {
            std::string other = GetField(payload, 1, kNickSize).value_or("");
            std::erase_if(list, [&](const std::string& entry) { return EqualsNoCase(entry, other); });
            return true;
        }
        case MessageType::IgnoreClear:
            reply(MessageType::IgnoreClear, std::to_string(list.size()));
            list.clear();
            return true;
        default:
            return false;
    }
}

bool IgnoreLists::Ignores(const std::string& user, const std::string& sender) const {
    auto it = lists_.find(user);
    if (it == lists_.end()) return false;
    return std::any_of(it->second.begin(), it->second.end(), [&](const std::string& entry) { return EqualsNoCase(entry, sender); });
}

bool IgnoreLists::Drops(const Delivery& d) const {
    int senderField = 0;
    switch (d.type) {
        case MessageType::PrivateMessage:  // sender text
            senderField = 1;
            break;
        case MessageType::ChannelMessage:  // channel sender text
        case MessageType::ChannelEmote:    // channel sender "text"
            senderField = 2;
            break;
        default:
            return false;
    }
    auto sender = GetField(d.payload, senderField, kNickSize);
    return sender && Ignores(d.user, *sender);
}

}  // namespace tandril::devserver
