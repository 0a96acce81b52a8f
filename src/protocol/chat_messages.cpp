#include "protocol/chat_messages.h"

#include "base/text.h"

namespace tandril::protocol {

namespace {

constexpr std::size_t kChannelTokenWidth = 23;
constexpr std::size_t kBanEntryWidth = 18;
constexpr std::size_t kListTopicWidth = 98;
constexpr std::size_t kReasonWidth = 127;

std::optional<std::string> Field(std::string_view payload, int number, std::size_t width) {
    return GetField(payload, number, width + 1);
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// "head rest" split at the first blank: nullopt when there is none.
std::optional<std::pair<std::string_view, std::string_view>> SplitAtBlank(std::string_view payload) {
    std::size_t blank = payload.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    return std::pair{payload.substr(0, blank), payload.substr(blank + 1)};
}

std::string Rest(std::string_view payload, int after) {
    auto rest = RestAfterField(payload, after);
    return rest ? std::string(*rest) : std::string();
}

}  // namespace

template <MessageType T>
std::optional<ChannelNameMessage<T>> ChannelNameMessage<T>::Decode(std::string_view payload) {
    std::string_view name = Trim(payload);
    if (name.empty()) return std::nullopt;
    return ChannelNameMessage{CutText(name, kChannelWidth)};
}

std::string PublicMessage::Encode() const {
    return channel + " " + text;
}

std::optional<PublicMessage> PublicMessage::Decode(std::string_view payload) {
    auto channel = Field(payload, 1, kChannelWidth);
    if (!channel) return std::nullopt;
    return PublicMessage{*channel, Rest(payload, 1)};
}

std::string ChannelMessage::Encode() const {
    return channel + " " + nick + " " + text;
}

std::optional<ChannelMessage> ChannelMessage::Decode(std::string_view payload) {
    auto channel = Field(payload, 1, kChannelWidth), nick = Field(payload, 2, kNickWidth);
    if (!channel || !nick) return std::nullopt;
    return ChannelMessage{*channel, *nick, std::string(Trim(Rest(payload, 2)))};
}

template <MessageType T>
std::string ChannelUserEvent<T>::Encode() const {
    return channel + " " + user + " " + std::to_string(files) + " " + std::to_string(lineSpeed);
}

template <MessageType T>
std::optional<ChannelUserEvent<T>> ChannelUserEvent<T>::Decode(std::string_view payload) {
    auto channel = Field(payload, 1, kChannelWidth), user = Field(payload, 2, kNickWidth);
    auto files = Field(payload, 3, kNumberWidth), speed = Field(payload, 4, kNumberWidth);
    if (!channel || !user || !files || !speed) return std::nullopt;
    return ChannelUserEvent{*channel, *user, DecimalValue(*files), static_cast<int>(DecimalValue(*speed))};
}

std::string ChannelTopic::Encode() const {
    return channel + " " + topic;
}

std::optional<ChannelTopic> ChannelTopic::Decode(std::string_view payload) {
    auto parts = SplitAtBlank(payload);
    std::string_view channel = parts ? parts->first : payload;
    if (channel.empty()) return std::nullopt;
    return ChannelTopic{CutText(channel, kChannelWidth), CutText(Trim(parts ? parts->second : ""), kTopicWidth)};
}

std::string EmoteRequest::Encode() const {
    return channel + " " + Quoted(text);
}

std::optional<EmoteRequest> EmoteRequest::Decode(std::string_view payload) {
    auto channel = Field(payload, 1, kChannelWidth), text = Field(payload, 2, kEmoteWidth);
    if (!channel || !text) return std::nullopt;
    return EmoteRequest{*channel, *text};
}

std::string ChannelEmote::Encode() const {
    return channel + " " + user + " " + Quoted(text);
}

std::optional<ChannelEmote> ChannelEmote::Decode(std::string_view payload) {
    auto channel = Field(payload, 1, kChannelWidth), user = Field(payload, 2, kNickWidth), text = Field(payload, 3, kEmoteWidth);
    if (!channel || !user || !text) return std::nullopt;
    return ChannelEmote{*channel, *user, *text};
}

std::string PrivateMessage::Encode() const {
    return user + " " + text;
}

std::optional<PrivateMessage> PrivateMessage::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth);
    if (!user) return std::nullopt;
    return PrivateMessage{*user, Rest(payload, 1)};
}

template <MessageType T>
std::string ReasonMessage<T>::Encode() const {
    return reason ? user + " " + Quoted(*reason) : user;
}

template <MessageType T>
std::optional<ReasonMessage<T>> ReasonMessage<T>::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth);
    if (!user) return std::nullopt;
    return ReasonMessage{*user, Field(payload, 2, kReasonWidth)};
}

template <MessageType T>
std::string ChannelUserCommand<T>::Encode() const {
    return channel + " " + user + " " + Quoted(reason);
}

template <MessageType T>
std::optional<ChannelUserCommand<T>> ChannelUserCommand<T>::Decode(std::string_view payload) {
    auto channel = Field(payload, 1, kChannelTokenWidth), user = Field(payload, 2, kNickWidth - 1);
    if (!channel || !user) return std::nullopt;
    return ChannelUserCommand{*channel, *user, Field(payload, 3, kReasonWidth).value_or("")};
}

std::string SetUserPassword::Encode() const {
    return reason ? user + " " + password + " " + Quoted(*reason) : user + " " + password;
}

std::optional<SetUserPassword> SetUserPassword::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), password = Field(payload, 2, kNickWidth);
    if (!user || !password) return std::nullopt;
    return SetUserPassword{*user, *password, Field(payload, 3, kReasonWidth)};
}

std::optional<ServerPingRequest> ServerPingRequest::Decode(std::string_view payload) {
    std::string_view text = Trim(payload);
    if (!IsDecimal(text)) return std::nullopt;
    return ServerPingRequest{static_cast<unsigned long long>(DecimalValue(text))};
}

template <MessageType T>
std::optional<SenderText<T>> SenderText<T>::Decode(std::string_view payload) {
    auto parts = SplitAtBlank(payload);
    if (!parts) return std::nullopt;
    return SenderText{std::string(Trim(parts->first)), std::string(Trim(parts->second))};
}

std::optional<ChannelBanEntry> ChannelBanEntry::Decode(std::string_view payload) {
    auto entry = Field(payload, 1, kBanEntryWidth);
    if (!entry) return std::nullopt;
    return ChannelBanEntry{*entry};
}

std::string ChannelListEntry::Encode() const {
    return channel + " " + std::to_string(users) + " " + topic;
}

std::optional<ChannelListEntry> ChannelListEntry::Decode(std::string_view payload) {
    auto parts = SplitAtBlank(payload);
    if (!parts || parts->first.empty()) return std::nullopt;
    auto rest = SplitAtBlank(parts->second);
    std::string_view users = rest ? rest->first : parts->second;
    return ChannelListEntry{CutText(parts->first, kChannelWidth), DecimalValue(users),
                            rest ? CutText(rest->second, kTopicWidth) : std::string()};
}

std::string FullChannelListEntry::Encode() const {
    return channel + " " + std::to_string(users) + " " + std::to_string(image) + " " + field4 + " " + field5 + " " + Quoted(topic);
}

std::optional<FullChannelListEntry> FullChannelListEntry::Decode(std::string_view payload) {
    auto name = Field(payload, 1, kChannelTokenWidth), users = Field(payload, 2, kNumberWidth);
    auto image = Field(payload, 3, kNumberWidth), f4 = Field(payload, 4, kNumberWidth), f5 = Field(payload, 5, kNumberWidth);
    auto topic = Field(payload, 6, kListTopicWidth);
    if (!name || !users || !image || !f4 || !f5 || !topic) return std::nullopt;
    return FullChannelListEntry{*name, DecimalValue(*users), static_cast<int>(DecimalValue(*image)), *f4, *f5, *topic};
}

std::string InvitationRequest::Encode() const {
    return user + " " + channel;
}

std::optional<InvitationRequest> InvitationRequest::Decode(std::string_view payload) {
    auto user = Field(payload, 1, kNickWidth), channel = Field(payload, 2, kChannelWidth);
    if (!user || !channel) return std::nullopt;
    return InvitationRequest{*user, *channel};
}

std::optional<Invitation> Invitation::Decode(std::string_view payload) {
    auto inviter = Field(payload, 1, kNickWidth), channel = Field(payload, 2, kChannelWidth), topic = Field(payload, 3, kTopicWidth);
    if (!inviter || !channel || !topic) return std::nullopt;
    return Invitation{*inviter, *channel, *topic, std::string(payload)};
}

std::string InvitationAccepted::Encode() const {
    return inviter + " " + channel;
}

std::optional<InvitationAccepted> InvitationAccepted::Decode(std::string_view payload) {
    auto inviter = Field(payload, 1, kNickWidth), channel = Field(payload, 2, kChannelWidth);
    if (!inviter || !channel) return std::nullopt;
    return InvitationAccepted{*inviter, *channel};
}

template struct ChannelNameMessage<MessageType::JoinChannel>;
template struct ChannelNameMessage<MessageType::PartChannel>;
template struct ChannelNameMessage<MessageType::ChannelJoined>;
template struct ChannelNameMessage<MessageType::ChannelUsersEnd>;
template struct ChannelUserEvent<MessageType::ChannelUserJoined>;
template struct ChannelUserEvent<MessageType::ChannelUserLeft>;
template struct ChannelUserEvent<MessageType::ChannelUser>;
template struct ReasonMessage<MessageType::KillUser>;
template struct ReasonMessage<MessageType::BanUser>;
template struct ReasonMessage<MessageType::UnbanUser>;
template struct ReasonMessage<MessageType::MuzzleUser>;
template struct ReasonMessage<MessageType::UnmuzzleUser>;
template struct ChannelUserCommand<MessageType::KickFromChannel>;
template struct ChannelUserCommand<MessageType::ChannelBan>;
template struct ChannelUserCommand<MessageType::ChannelUnban>;
template struct SenderText<MessageType::OperatorMessage>;
template struct SenderText<MessageType::Announcement>;

}  // namespace tandril::protocol
