#pragma once
// The chat messages: channels (join, leave, public lines, user lists, topics, emotes), the chat
// commands' requests, the operators' texts, the ban lists, the channel lists and invitations.
// Like every message: one struct, one encoder, one decoder (nullopt when a needed field is
// missing), each field cut to the width the protocol gives it.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

inline constexpr std::size_t kChannelWidth = 24;
inline constexpr std::size_t kTopicWidth = 99;
inline constexpr std::size_t kEmoteWidth = 199;

// A message whose payload is a channel name (trimmed of blanks; an empty one does not decode).
template <MessageType T>
struct ChannelNameMessage {
    static constexpr MessageType kType = T;
    std::string channel;
    std::string Encode() const { return channel; }
    static std::optional<ChannelNameMessage> Decode(std::string_view payload);
};

using JoinChannel = ChannelNameMessage<MessageType::JoinChannel>;
using PartChannel = ChannelNameMessage<MessageType::PartChannel>;
using ChannelJoined = ChannelNameMessage<MessageType::ChannelJoined>;
using ChannelUsersEnd = ChannelNameMessage<MessageType::ChannelUsersEnd>;

// 402: "channel text"; the text runs to the end.
struct PublicMessage {
    static constexpr MessageType kType = MessageType::PublicMessage;
    std::string channel;
    std::string text;
    std::string Encode() const;
    static std::optional<PublicMessage> Decode(std::string_view payload);
};

// 403: channel (24), nick (19), and the text after the second field, trimmed.
struct ChannelMessage {
    static constexpr MessageType kType = MessageType::ChannelMessage;
    std::string channel;
    std::string nick;
    std::string text;
    std::string Encode() const;
    static std::optional<ChannelMessage> Decode(std::string_view payload);
};

// 406, 407 and 408: channel (24), user (19), files shared, line-speed code; all four needed.
template <MessageType T>
struct ChannelUserEvent {
    static constexpr MessageType kType = T;
    std::string channel;
    std::string user;
    long long files = 0;
    int lineSpeed = 0;
    std::string Encode() const;
    static std::optional<ChannelUserEvent> Decode(std::string_view payload);
};
using ChannelUserJoined = ChannelUserEvent<MessageType::ChannelUserJoined>;
using ChannelUserLeft = ChannelUserEvent<MessageType::ChannelUserLeft>;
using ChannelUserEntry = ChannelUserEvent<MessageType::ChannelUser>;

// 410 both ways: the channel up to the first blank, the topic (99) the rest, trimmed.
struct ChannelTopic {
    static constexpr MessageType kType = MessageType::ChannelTopic;
    std::string channel;
    std::string topic;
    std::string Encode() const;
    static std::optional<ChannelTopic> Decode(std::string_view payload);
};

// 824 to the server: "channel \"text\"".
struct EmoteRequest {
    static constexpr MessageType kType = MessageType::ChannelEmote;
    std::string channel;
    std::string text;
    std::string Encode() const;
    static std::optional<EmoteRequest> Decode(std::string_view payload);
};

// 824 from the server: channel (24), user (19), text (199); all three needed.
struct ChannelEmote {
    static constexpr MessageType kType = MessageType::ChannelEmote;
    std::string channel;
    std::string user;
    std::string text;
    std::string Encode() const;
    static std::optional<ChannelEmote> Decode(std::string_view payload);
};

// 205 to the server: "user text".
struct PrivateMessage {
    static constexpr MessageType kType = MessageType::PrivateMessage;
    std::string user;
    std::string text;
    std::string Encode() const;
    static std::optional<PrivateMessage> Decode(std::string_view payload);
};

// ---- The commands' requests ------------------------------------------------------------------

// Requests whose payload is the command's arguments as typed.
using SetUserLevel = TextMessage<MessageType::SetUserLevel>;
using SetUserLineSpeed = TextMessage<MessageType::SetUserLineSpeed>;
using SetUserDataPort = TextMessage<MessageType::SetUserDataPort>;
using MessageOfTheDayRequest = EmptyMessage<MessageType::MessageOfTheDay>;
using AnnounceRequest = TextMessage<MessageType::Announcement>;
using OpsayRequest = TextMessage<MessageType::OperatorMessage>;
using UnnukeUser = TextMessage<MessageType::UnnukeUser>;
using SetConfig = TextMessage<MessageType::SetConfig>;
using ReloadConfig = TextMessage<MessageType::ReloadConfig>;
using ServerVersionRequest = EmptyMessage<MessageType::ServerVersion>;
using ClearChannel = TextMessage<MessageType::ClearChannel>;
using BanListRequest = EmptyMessage<MessageType::BanList>;
using CloakRequest = EmptyMessage<MessageType::Cloak>;
using ChannelBanListRequest = TextMessage<MessageType::ChannelBanList>;
using ChannelBanClear = TextMessage<MessageType::ChannelBanClear>;
using UserPingRequest = TextMessage<MessageType::UserPing>;

// The operators' requests about a user: "user" alone, or "user \"reason\"" when a reason (possibly
// empty) was given.
template <MessageType T>
struct ReasonMessage {
    static constexpr MessageType kType = T;
    std::string user;
    std::optional<std::string> reason;
    std::string Encode() const;
    static std::optional<ReasonMessage> Decode(std::string_view payload);
};
using KillUser = ReasonMessage<MessageType::KillUser>;
using BanUser = ReasonMessage<MessageType::BanUser>;
using UnbanUser = ReasonMessage<MessageType::UnbanUser>;
using MuzzleUser = ReasonMessage<MessageType::MuzzleUser>;
using UnmuzzleUser = ReasonMessage<MessageType::UnmuzzleUser>;

// 829, 422, 423: "channel user \"reason\"", the reason quoted even when empty.
template <MessageType T>
struct ChannelUserCommand {
    static constexpr MessageType kType = T;
    std::string channel;
    std::string user;
    std::string reason;
    std::string Encode() const;
    static std::optional<ChannelUserCommand> Decode(std::string_view payload);
};
using KickFromChannel = ChannelUserCommand<MessageType::KickFromChannel>;
using ChannelBan = ChannelUserCommand<MessageType::ChannelBan>;
using ChannelUnban = ChannelUserCommand<MessageType::ChannelUnban>;

// 753: "user password" or "user password \"reason\"".
struct SetUserPassword {
    static constexpr MessageType kType = MessageType::SetUserPassword;
    std::string user;
    std::string password;
    std::optional<std::string> reason;
    std::string Encode() const;
    static std::optional<SetUserPassword> Decode(std::string_view payload);
};

// 750 to the server: the time in seconds since 1970.
struct ServerPingRequest {
    static constexpr MessageType kType = MessageType::ServerPing;
    unsigned long long seconds = 0;
    std::string Encode() const { return std::to_string(seconds); }
    static std::optional<ServerPingRequest> Decode(std::string_view payload);
};

// ---- What the server sends the command interpreter ---------------------------------------------

// 627 and 628 from the server: the sender up to the first blank, the text after it; both trimmed.
// A payload without a blank does not decode.
template <MessageType T>
struct SenderText {
    static constexpr MessageType kType = T;
    std::string sender;
    std::string text;
    std::string Encode() const { return sender + " " + text; }
    static std::optional<SenderText> Decode(std::string_view payload);
};
using OperatorMessage = SenderText<MessageType::OperatorMessage>;
using Announcement = SenderText<MessageType::Announcement>;

// 421: one entry of a channel's ban list: field 1 (18).
struct ChannelBanEntry {
    static constexpr MessageType kType = MessageType::ChannelBanEntry;
    std::string entry;
    std::string Encode() const { return entry; }
    static std::optional<ChannelBanEntry> Decode(std::string_view payload);
};
using ChannelBanListEnd = EmptyMessage<MessageType::ChannelBanList>;
using BanListEntry = TextMessage<MessageType::BanListEntry>;

// ---- Channel lists and invitations -------------------------------------------------------------

using ChannelListRequest = EmptyMessage<MessageType::ChannelList>;
using FullChannelListRequest = EmptyMessage<MessageType::FullChannelList>;

// 618: "name users topic": the name up to the first blank (none: does not decode), the number
// that follows, the topic after the next blank (empty when there is none).
struct ChannelListEntry {
    static constexpr MessageType kType = MessageType::ChannelListEntry;
    std::string channel;
    long long users = 0;
    std::string topic;
    std::string Encode() const;
    static std::optional<ChannelListEntry> Decode(std::string_view payload);
};

// 828: field 1 name (23), 2 users, 3 image, 4 and 5 unused, 6 topic (98); any missing: no entry.
struct FullChannelListEntry {
    static constexpr MessageType kType = MessageType::FullChannelListEntry;
    std::string channel;
    long long users = 0;
    int image = 0;
    std::string field4, field5;
    std::string topic;
    std::string Encode() const;
    static std::optional<FullChannelListEntry> Decode(std::string_view payload);
};

// 430 to the server: "user channel".
struct InvitationRequest {
    static constexpr MessageType kType = MessageType::ChannelInvitation;
    std::string user;
    std::string channel;
    std::string Encode() const;
    static std::optional<InvitationRequest> Decode(std::string_view payload);
};

// 430 from the server: inviter (19), channel (24), topic (99); all three needed. The payload is
// kept as it came, for a refusal.
struct Invitation {
    static constexpr MessageType kType = MessageType::ChannelInvitation;
    std::string inviter;
    std::string channel;
    std::string topic;
    std::string payload;
    std::string Encode() const { return payload; }
    static std::optional<Invitation> Decode(std::string_view payload);
};

// 431: "inviter channel".
struct InvitationAccepted {
    static constexpr MessageType kType = MessageType::InvitationAnswer;
    std::string inviter;
    std::string channel;
    std::string Encode() const;
    static std::optional<InvitationAccepted> Decode(std::string_view payload);
};

// 432: the invitation's payload, unchanged.
using InvitationDeclined = TextMessage<MessageType::InvitationReply>;

}  // namespace tandril::protocol
