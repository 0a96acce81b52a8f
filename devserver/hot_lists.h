#pragma once
// The users' hot lists, as the network's index servers keep them: 207 is answered with 301 even
// for a user who does not exist (never 302), then 209 when the user is online; 208 (the list
// registered again after a login) gets 209 for each listed user who is online; 303 takes a user
// off. Users who sign on or off are announced to everyone who lists them (209, 210). A user's own
// list is forgotten when they go: the client registers it again after its next login.
// Not thread-safe: devserver calls it under its own lock.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "devserver/channels.h"

namespace tandril::devserver {

class HotLists {
public:
    // The line speed the server knows for an online user.
    using LineSpeedOf = std::function<int(const std::string& user)>;
    explicit HotLists(LineSpeedOf speed) : speed_(std::move(speed)) {}

    // A frame of a logged-in user that belongs to the hot lists; false when it is not one of theirs.
    bool Handle(const std::string& user, protocol::MessageType type, const std::string& payload, std::vector<Delivery>& out);
    // The users online after this round: those who came are announced (209), those who went too (210).
    void KeepOnly(const std::set<std::string>& online, std::vector<Delivery>& out);
    // Whom `user` lists now, in the order they were added.
    std::vector<std::string> ListOf(const std::string& user) const;

private:
    void Watch(const std::string& watcher, const std::string& user, std::vector<Delivery>& out);
    // The online user of that name (any case), or empty.
    std::string OnlineAs(const std::string& user) const;

    LineSpeedOf speed_;
    std::map<std::string, std::vector<std::string>> lists_;  // by the watcher
    std::set<std::string> online_;
};

}  // namespace tandril::devserver
