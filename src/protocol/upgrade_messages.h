#pragma once
// 5: the server offers a newer client. Only a server that knows the user's account can compute
// the check value, so the offer is taken only when it carries the right one.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/message_type.h"

namespace tandril::protocol {

struct UpgradeOffer {
    static constexpr MessageType kType = MessageType::UpgradeOffer;
    static constexpr std::size_t kVersionWidth = 19;
    static constexpr std::size_t kLocationWidth = 349;
    static constexpr std::size_t kCheckValueWidth = 49;
    std::string version;   // shown to the user
    std::string location;  // "host:path"; either part may be empty
    // 32 lowercase hexadecimal digits; nullopt when the server sent none.
    std::optional<std::string> checkValue;
    std::string Encode() const;
    // Every payload decodes: missing fields are empty, a missing check value stays absent.
    static std::optional<UpgradeOffer> Decode(std::string_view payload);
};

}  // namespace tandril::protocol
