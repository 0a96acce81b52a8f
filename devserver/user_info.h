#pragma once
// What the server tells about a user (603), as the network's index servers answer: 604 when the
// user is online (10 fields; 16 when the asker is a moderator or above), else 605 when the account
// is known (3 fields, 9 for a moderator), followed by 404 "User is not currently online."; a name
// the server does not know gets that 404 alone. Not thread-safe: devserver calls it under its lock.

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "devserver/channels.h"

namespace tandril::devserver {

// What the rest of the server knows of an online user at the moment of the question.
struct OnlineFacts {
    long long files = 0;
    int lineSpeed = 0;
    std::string channels;  // the channels the user is in, blank-separated
    std::string address;   // dotted
    int dataPort = 0;
};

class UserInfo {
public:
    using Describe = std::function<OnlineFacts(const std::string& user)>;
    explicit UserInfo(Describe describe) : describe_(std::move(describe)) {}

    // "User" unless set; "Moderator", "Admin" and "Elite" see the extended answers.
    void SetLevel(const std::string& user, const std::string& level) { records_[user].level = level; }
    // A login: the client's version and the port of its connection.
    void SignedOn(const std::string& user, const std::string& version, int port);
    // The users online after this round: the others are signed off.
    void KeepOnly(const std::set<std::string>& online);

    // 603 from `asker` about the payload's user. `known` tells whether an account exists.
    void Answer(const std::string& asker, const std::string& payload, const std::function<bool(const std::string&)>& known,
                std::vector<Delivery>& out);

private:
    struct Record {
        std::string level = "User";
        std::string version;
        bool online = false;
        std::chrono::steady_clock::time_point since;
        long long lastSeen = 0;  // seconds since 1970
        std::string lastAddress;
        int lastPort = 0;
        int lastDataPort = 0;
    };
    bool IsModerator(const std::string& user) const;

    Describe describe_;
    std::map<std::string, Record> records_;
};

}  // namespace tandril::devserver
