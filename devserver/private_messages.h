#pragma once
// Private messages through devserver: 205 "recipient text" from a user reaches the recipient as
// 205 "sender text", the text cut to 180 characters like the network's servers do. A message to
// a user who is not online goes nowhere.

#include <functional>
#include <string>
#include <vector>

#include "devserver/channels.h"

namespace tandril::devserver {

// The name an online user goes by (found without letter case), or empty when not online.
using OnlineName = std::function<std::string(const std::string& user)>;

// What a 205 from `sender` sends (nothing for a payload without a recipient or an offline one).
void RoutePrivateMessage(const std::string& sender, const std::string& payload, const OnlineName& online, std::vector<Delivery>& out);

}  // namespace tandril::devserver
