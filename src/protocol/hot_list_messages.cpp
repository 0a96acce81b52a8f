#include "protocol/hot_list_messages.h"

#include <algorithm>

#include "base/text.h"

namespace tandril::protocol {

std::string HotListUserOnline::Encode() const {
    return user + " " + std::to_string(lineSpeed);
}

std::optional<HotListUserOnline> HotListUserOnline::Decode(std::string_view payload) {
    auto user = GetField(payload, 1, kNickWidth + 1), speed = GetField(payload, 2, kNumberWidth + 1);
    if (!user || !speed) return std::nullopt;
    // A number beyond an int's range would not fit the speed classes anyway: it is held at the edge.
    long long value = std::clamp<long long>(DecimalValue(*speed), -1, 1000);
    return HotListUserOnline{*user, static_cast<int>(value)};
}

}  // namespace tandril::protocol
