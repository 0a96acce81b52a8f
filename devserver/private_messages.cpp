#include "devserver/private_messages.h"

#include "base/text.h"

namespace tandril::devserver {

namespace {

constexpr std::size_t kServerTextCut = 180;

}  // namespace

void RoutePrivateMessage(const std::string& sender, const std::string& payload, const OnlineName& online, std::vector<Delivery>& out) {
    std::size_t blank = payload.find(' ');
    if (blank == std::string::npos || blank == 0) return;
    std::string recipient = online(payload.substr(0, blank));
    if (recipient.empty()) return;
    std::string text = payload.substr(blank + 1).substr(0, kServerTextCut);
    out.push_back({recipient, protocol::MessageType::PrivateMessage, sender + " " + text});
}

}  // namespace tandril::devserver
