#pragma once
// Browsing between devserver's users, as the network's servers do it. 640 from a requester R
// naming B: B gets 640 "R" when B can be reached (B will accept with 641 and R connects), 640
// "R address port" when only R can be (B connects back with "SENDLIST"), and R gets 642 when
// neither can or B is not online. 641 "R" from B reaches R as 641 "B address port". 211 is answered
// from what B shares: one 212 per file, then 213 "B address".
// Not thread-safe: devserver calls it under its own lock.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devserver/channels.h"
#include "devserver/share_index.h"

namespace tandril::devserver {

struct BrowseContext {
    const ShareIndex& shares;
    const std::map<std::string, UserLine>& lines;
    // The name an online user goes by (any case), or empty.
    std::function<std::string(const std::string& user)> onlineName;
    // False: 640 is not answered at all, like the servers built without direct browsing.
    bool directBrowse = true;
};

// A frame of a logged-in user that belongs to browsing; false when it is not one of these.
bool HandleBrowse(const BrowseContext& context, const std::string& user, protocol::MessageType type, const std::string& payload,
                  std::vector<Delivery>& out);

}  // namespace tandril::devserver
