#pragma once
// A user's information: asked with 603 (the user's name), answered with 604 when the user is
// signed on (10 fields, 16 when the asker is a moderator) or 605 when the user is known but
// signed off (3 fields, 9 for a moderator). Text fields are cut to the widths below; numbers
// follow the decimal rule. A payload shorter than the short form does not decode.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/server_messages.h"

namespace tandril::protocol {

inline constexpr std::size_t kUserLevelWidth = 49;
inline constexpr std::size_t kUserChannelsWidth = 199;
inline constexpr std::size_t kUserStateWidth = 49;
inline constexpr std::size_t kClientVersionWidth = 19;
inline constexpr std::size_t kUserAddressWidth = 49;
inline constexpr std::size_t kUserNoteWidth = 99;

using UserInfoRequest = UserMessage<MessageType::UserInfoRequest>;

// 604. The extended form is recognised by the presence of field 11.
struct UserInfoOnline {
    static constexpr MessageType kType = MessageType::UserInfoOnline;
    std::string user;
    std::string level;
    long long secondsConnected = 0;
    std::string channels;
    std::string state;
    long long filesShared = 0;
    long long downloads = 0;
    long long uploads = 0;
    long long lineSpeed = 0;
    std::string clientVersion;
    bool extended = false;
    // Extended form only; 11, 12 and 16 are not shown.
    long long field11 = 0;
    long long field12 = 0;
    std::string address;
    long long port = 0;
    long long dataPort = 0;
    std::string field16;
    std::string Encode() const;
    static std::optional<UserInfoOnline> Decode(std::string_view payload);
};

// 605. The extended form is recognised by the presence of field 4.
struct UserInfoOffline {
    static constexpr MessageType kType = MessageType::UserInfoOffline;
    std::string user;
    std::string level;
    long long lastSeen = 0;  // seconds since 1970
    bool extended = false;
    // Extended form only; 4 and 5 are not shown, 9 is shown beside the name.
    long long field4 = 0;
    long long field5 = 0;
    std::string lastAddress;
    long long lastPort = 0;
    long long lastDataPort = 0;
    std::string note;
    std::string Encode() const;
    static std::optional<UserInfoOffline> Decode(std::string_view payload);
};

}  // namespace tandril::protocol
