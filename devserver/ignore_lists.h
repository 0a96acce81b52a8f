#pragma once
// The ignore lists of devserver, kept per user for the server's life, as the network's index
// servers keep them: 320 is answered with the entries (321) then 320 with their count ("0"
// alone for an empty list); 322 is echoed, a repeat gets 325 and an unknown user 324; 326 is
// answered with the count of entries cleared. The server does the filtering: what a user says
// does not reach those who ignore them. Not thread-safe: devserver calls it under its own lock.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devserver/channels.h"
#include "protocol/message_type.h"

namespace tandril::devserver {

class IgnoreLists {
public:
    // Whether an account of that name exists.
    using KnownUser = std::function<bool(const std::string& user)>;
    explicit IgnoreLists(KnownUser known) : known_(std::move(known)) {}

    // A frame of a logged-in user that belongs to the ignore list; false when it is not one.
    bool Handle(const std::string& user, protocol::MessageType type, const std::string& payload, std::vector<Delivery>& out);
    // Whether `user` ignores `sender` (names compared without letter case).
    bool Ignores(const std::string& user, const std::string& sender) const;
    // Whether a delivery is a private or channel message from someone its recipient ignores.
    bool Drops(const Delivery& d) const;

private:
    KnownUser known_;
    std::map<std::string, std::vector<std::string>> lists_;  // by user, in the order ignored
};

}  // namespace tandril::devserver
