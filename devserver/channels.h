#pragma once
// The channels of devserver, as the network's index servers keep them: a join of "test" makes or
// finds "#test" and is acknowledged with that name, the user list follows (408 ... 409) and the
// topic (410); the members hear of joins (406) and departures (407); public lines (402 -> 403)
// and emotes (824) go to every member, the sender too, texts cut to 180 characters; the channel
// lists (617/618, 827/828) and invitations (430-432). Each operation says what to send to whom.
// Not thread-safe: devserver calls it under its own lock.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "protocol/message_type.h"

namespace tandril::devserver {

struct Delivery {
    std::string user;
    protocol::MessageType type;
    std::string payload;  // Windows-1252
};

struct Member {
    std::string user;
    long long files = 0;
    int lineSpeed = 0;
    bool scripted = false;  // added by a test, without a connection: stays when the others leave
};

class Channels {
public:
    // What the server knows of a user when they join: files shared and line speed.
    using Describe = std::function<Member(const std::string& user)>;
    explicit Channels(Describe describe) : describe_(std::move(describe)) {}

    // A frame of a logged-in user that belongs to the channels; false when it is not one of theirs.
    bool Handle(const std::string& user, protocol::MessageType type, const std::string& payload, std::vector<Delivery>& out);
    // Users who are gone leave every channel (407 to the others).
    void KeepOnly(const std::set<std::string>& online, std::vector<Delivery>& out);

    // Scripting for tests and benchmarks.
    // Members without a connection (a crowd), in this order; the channel is made when needed.
    void AddScriptedMembers(const std::string& channel, const std::vector<Member>& members, std::vector<Delivery>& out);
    // A member says something (403 to every member).
    void Say(const std::string& channel, const std::string& user, const std::string& text, std::vector<Delivery>& out);
    // The server removes a user from a channel: 401 to them, 407 to the others.
    void Remove(const std::string& channel, const std::string& user, std::vector<Delivery>& out);
    // The members of a channel in the order they joined (empty when there is no such channel).
    std::vector<std::string> MembersOf(const std::string& channel) const;
    std::string TopicOf(const std::string& channel) const;
    // The channels `user` is in, blank-separated.
    std::string ChannelsOf(const std::string& user) const;

private:
    struct Channel {
        std::string name;  // with its "#"
        std::string topic;
        std::vector<Member> members;
    };
    Channel* Find(const std::string& name);
    const Channel* Find(const std::string& name) const;
    static bool IsMember(const Channel& channel, const std::string& user);
    void ToMembers(const Channel& channel, protocol::MessageType type, const std::string& payload, std::vector<Delivery>& out) const;
    void Join(const std::string& user, const std::string& name, std::vector<Delivery>& out);
    void Leave(Channel& channel, const std::string& user, std::vector<Delivery>& out);

    Describe describe_;
    std::map<std::string, Channel> channels_;  // by lower-case name
};

}  // namespace tandril::devserver
