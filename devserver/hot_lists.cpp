#include "devserver/hot_lists.h"

#include <algorithm>

#include "base/text.h"

namespace tandril::devserver {

using protocol::MessageType;

namespace {

constexpr std::size_t kNickSize = 20;  // 19 characters and the terminator

bool Lists(const std::vector<std::string>& list, const std::string& user) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& u) { return EqualsNoCase(u, user); });
}

}  // namespace

std::string HotLists::OnlineAs(const std::string& user) const {
    for (const std::string& u : online_) {
        if (EqualsNoCase(u, user)) return u;
    }
    return {};
}

void HotLists::Watch(const std::string& watcher, const std::string& user, std::vector<Delivery>& out) {
    auto& list = lists_[watcher];
    if (!Lists(list, user)) list.push_back(user);
    if (std::string online = OnlineAs(user); !online.empty()) {
        out.push_back({watcher, MessageType::HotListUserOnline, online + " " + std::to_string(speed_(online))});
    }
}

bool HotLists::Handle(const std::string& user, MessageType type, const std::string& payload, std::vector<Delivery>& out) {
    if (type != MessageType::HotListAdd && type != MessageType::HotListRegister && type != MessageType::HotListRemove) return false;
    auto name = GetField(payload, 1, kNickSize);
    if (!name || name->empty()) return true;
    switch (type) {
        case MessageType::HotListAdd:
            out.push_back({user, MessageType::HotListAdded, *name});
            Watch(user, *name, out);
            break;
        case MessageType::HotListRegister:
            Watch(user, *name, out);
            break;
        default:
            std::erase_if(lists_[user], [&](const std::string& u) { return EqualsNoCase(u, *name); });
            break;
    }
    return true;
}

void HotLists::KeepOnly(const std::set<std::string>& online, std::vector<Delivery>& out) {
    std::vector<std::string> came, went;
    std::set_difference(online.begin(), online.end(), online_.begin(), online_.end(), std::back_inserter(came));
    std::set_difference(online_.begin(), online_.end(), online.begin(), online.end(), std::back_inserter(went));
    if (came.empty() && went.empty()) return;
    online_ = online;
    for (const std::string& gone : went) lists_.erase(gone);
    for (const auto& [watcher, list] : lists_) {
        if (!online_.count(watcher)) continue;
        for (const std::string& user : came) {
            if (Lists(list, user)) out.push_back({watcher, MessageType::HotListUserOnline, user + " " + std::to_string(speed_(user))});
        }
        for (const std::string& user : went) {
            if (Lists(list, user)) out.push_back({watcher, MessageType::HotListUserOffline, user});
        }
    }
}

std::vector<std::string> HotLists::ListOf(const std::string& user) const {
    auto it = lists_.find(user);
    return it == lists_.end() ? std::vector<std::string>{} : it->second;
}

}  // namespace tandril::devserver
