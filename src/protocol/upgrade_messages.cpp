#include "protocol/upgrade_messages.h"

#include "base/text.h"

namespace tandril::protocol {

std::string UpgradeOffer::Encode() const {
    std::string payload = "\"" + version + "\" \"" + location + "\"";
    if (checkValue) payload += " " + *checkValue;
    return payload;
}

std::optional<UpgradeOffer> UpgradeOffer::Decode(std::string_view payload) {
    UpgradeOffer m;
    m.version = GetField(payload, 1, kVersionWidth + 1).value_or("");
    m.location = GetField(payload, 2, kLocationWidth + 1).value_or("");
    m.checkValue = GetField(payload, 3, kCheckValueWidth + 1);
    return m;
}

}  // namespace tandril::protocol
