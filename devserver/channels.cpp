#include "devserver/channels.h"

#include <algorithm>

#include "base/text.h"
#include "protocol/chat_messages.h"

namespace tandril::devserver {

using namespace protocol;

namespace {

// The servers cut public texts (and private ones, see private_messages.h) to this many characters.
constexpr std::size_t kMaxText = 180;

std::string Key(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

std::string Count(const std::vector<Member>& members) {
    return std::to_string(members.size());
}

}  // namespace

Channels::Channel* Channels::Find(const std::string& name) {
    auto it = channels_.find(Key(name));
    return it == channels_.end() ? nullptr : &it->second;
}

const Channels::Channel* Channels::Find(const std::string& name) const {
    auto it = channels_.find(Key(name));
    return it == channels_.end() ? nullptr : &it->second;
}

bool Channels::IsMember(const Channel& channel, const std::string& user) {
    return std::any_of(channel.members.begin(), channel.members.end(), [&](const Member& m) { return m.user == user; });
}

void Channels::ToMembers(const Channel& channel, MessageType type, const std::string& payload, std::vector<Delivery>& out) const {
    for (const Member& m : channel.members) {
        if (!m.scripted) out.push_back({m.user, type, payload});
    }
}

void Channels::Join(const std::string& user, const std::string& requested, std::vector<Delivery>& out) {
    // A name without its "#" gets one, and that is the name the channel goes by from then on.
    if (requested.empty()) return;
    std::string name = requested.front() == '#' ? requested : "#" + requested;
    Channel* channel = Find(name);
    if (!channel) {
        channel = &channels_[Key(name)];
        channel->name = name;
        channel->topic = "Welcome to " + name + "!";
    }
    if (IsMember(*channel, user)) return;
    Member joined = describe_(user);
    joined.user = user;
    ToMembers(*channel, MessageType::ChannelUserJoined, ChannelUserJoined{channel->name, user, joined.files, joined.lineSpeed}.Encode(),
              out);
    channel->members.push_back(joined);
    out.push_back({user, MessageType::ChannelJoined, channel->name});
    for (const Member& m : channel->members)
        out.push_back({user, MessageType::ChannelUser, ChannelUserEntry{channel->name, m.user, m.files, m.lineSpeed}.Encode()});
    out.push_back({user, MessageType::ChannelUsersEnd, channel->name});
    out.push_back({user, MessageType::ChannelTopic, ChannelTopic{channel->name, channel->topic}.Encode()});
}

void Channels::Leave(Channel& channel, const std::string& user, std::vector<Delivery>& out) {
    auto it = std::find_if(channel.members.begin(), channel.members.end(), [&](const Member& m) { return m.user == user; });
    if (it == channel.members.end()) return;
    Member left = *it;
    channel.members.erase(it);
    ToMembers(channel, MessageType::ChannelUserLeft, ChannelUserLeft{channel.name, user, left.files, left.lineSpeed}.Encode(), out);
    if (channel.members.empty()) channels_.erase(Key(channel.name));
}

bool Channels::Handle(const std::string& user, MessageType type, const std::string& payload, std::vector<Delivery>& out) {
    auto notice = [&](const std::string& text) { out.push_back({user, MessageType::ServerText, text}); };
    switch (type) {
        case MessageType::JoinChannel:
            if (auto m = JoinChannel::Decode(payload)) Join(user, m->channel, out);
            return true;
        case MessageType::PartChannel:
            if (auto m = PartChannel::Decode(payload); m && Find(m->channel)) Leave(*Find(m->channel), user, out);
            return true;
        case MessageType::PublicMessage: {
            // The channel is looked up by the name as sent: "test" is not "#test".
            auto m = PublicMessage::Decode(payload);
            Channel* channel = m ? Find(m->channel) : nullptr;
            if (!channel || !IsMember(*channel, user)) {
                notice("You are not on that channel");
                return true;
            }
            ToMembers(*channel, MessageType::ChannelMessage, ChannelMessage{channel->name, user, m->text.substr(0, kMaxText)}.Encode(),
                      out);
            return true;
        }
        case MessageType::ChannelTopic: {
            auto m = ChannelTopic::Decode(payload);
            Channel* channel = m ? Find(m->channel) : nullptr;
            if (!channel || !IsMember(*channel, user)) {
                notice("You are not on that channel");
                return true;
            }
            channel->topic = m->topic;
            ToMembers(*channel, MessageType::ChannelTopic, ChannelTopic{channel->name, channel->topic}.Encode(), out);
            return true;
        }
        case MessageType::ChannelEmote: {
            auto m = EmoteRequest::Decode(payload);
            Channel* channel = m ? Find(m->channel) : nullptr;
            if (!channel || !IsMember(*channel, user)) {
                notice("You are not on that channel");
                return true;
            }
            ToMembers(*channel, MessageType::ChannelEmote, ChannelEmote{channel->name, user, m->text.substr(0, kMaxText)}.Encode(), out);
            return true;
        }
        case MessageType::ChannelList:
            for (const auto& [key, c] : channels_)
                out.push_back({user, MessageType::ChannelListEntry,
                               ChannelListEntry{c.name, static_cast<long long>(c.members.size()), c.topic}.Encode()});
            out.push_back({user, MessageType::ChannelList, ""});
            return true;
        case MessageType::FullChannelList:
            for (const auto& [key, c] : channels_)
                out.push_back({user, MessageType::FullChannelListEntry, c.name + " " + Count(c.members) + " 0 0 0 \"" + c.topic + "\""});
            out.push_back({user, MessageType::FullChannelList, ""});
            return true;
        case MessageType::ChannelInvitation: {
            auto m = InvitationRequest::Decode(payload);
            const Channel* channel = m ? Find(m->channel) : nullptr;
            if (!channel || !IsMember(*channel, user)) {
                notice("You are not on that channel");
                return true;
            }
            out.push_back({m->user, MessageType::ChannelInvitation, user + " " + channel->name + " \"" + channel->topic + "\""});
            return true;
        }
        case MessageType::InvitationAnswer:
            if (auto m = InvitationAccepted::Decode(payload))
                out.push_back({m->inviter, MessageType::ServerText, user + " accepted your invitation to " + m->channel});
            return true;
        case MessageType::InvitationReply:
            if (auto inviter = GetField(payload, 1, 20), channel = GetField(payload, 2, 25); inviter && channel)
                out.push_back({*inviter, MessageType::ServerText, user + " declined your invitation to " + *channel});
            return true;
        default:
            return false;
    }
}

void Channels::KeepOnly(const std::set<std::string>& online, std::vector<Delivery>& out) {
    std::vector<std::pair<std::string, std::string>> gone;  // channel, user
    for (auto& [key, channel] : channels_) {
        for (const Member& m : channel.members) {
            if (!m.scripted && !online.count(m.user)) gone.emplace_back(channel.name, m.user);
        }
    }
    for (const auto& [name, user] : gone) {
        if (Channel* channel = Find(name)) Leave(*channel, user, out);
    }
}

void Channels::AddScriptedMembers(const std::string& name, const std::vector<Member>& members, std::vector<Delivery>& out) {
    Channel& channel = channels_[Key(name)];
    if (channel.name.empty()) {
        channel.name = name;
        channel.topic = "Welcome to " + name + "!";
    }
    for (Member m : members) {
        if (IsMember(channel, m.user)) continue;
        m.scripted = true;
        for (const Member& other : channel.members) {
            if (!other.scripted)
                out.push_back(
                    {other.user, MessageType::ChannelUserJoined, ChannelUserJoined{channel.name, m.user, m.files, m.lineSpeed}.Encode()});
        }
        channel.members.push_back(std::move(m));
    }
}

void Channels::Say(const std::string& name, const std::string& user, const std::string& text, std::vector<Delivery>& out) {
    if (const Channel* channel = Find(name))
        ToMembers(*channel, MessageType::ChannelMessage, ChannelMessage{channel->name, user, text.substr(0, kMaxText)}.Encode(), out);
}

void Channels::Remove(const std::string& name, const std::string& user, std::vector<Delivery>& out) {
    Channel* channel = Find(name);
    if (!channel || !IsMember(*channel, user)) return;
    out.push_back({user, MessageType::PartChannel, channel->name});
    Leave(*channel, user, out);
}

std::vector<std::string> Channels::MembersOf(const std::string& name) const {
    std::vector<std::string> users;
    if (const Channel* channel = Find(name)) {
        for (const Member& m : channel->members) users.push_back(m.user);
    }
    return users;
}

std::string Channels::ChannelsOf(const std::string& user) const {
    std::string names;
    for (const auto& [key, channel] : channels_) {
        if (IsMember(channel, user)) names += (names.empty() ? "" : " ") + channel.name;
    }
    return names;
}

std::string Channels::TopicOf(const std::string& name) const {
    const Channel* channel = Find(name);
    return channel ? channel->topic : std::string();
}

}  // namespace tandril::devserver
