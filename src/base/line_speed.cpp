#include "base/line_speed.h"

#include <iterator>

#include "base/text.h"

namespace tandril {

namespace {

constexpr const char* kLineSpeeds[] = {"Unknown", "14.4", "28.8", "33.6", "56K", "ISDN-56K", "ISDN-128K", "Câble", "DSL", "T1", "T3"};

}  // namespace

std::string LineSpeedName(int code) {
    return code >= 0 && code < static_cast<int>(std::size(kLineSpeeds)) ? kLineSpeeds[code] : "Unknown";
}

int LineSpeedCode(std::string_view name) {
    for (int code = 0; code < static_cast<int>(std::size(kLineSpeeds)); ++code) {
        if (EqualsNoCase(name, kLineSpeeds[code])) return code;
    }
    return 0;
}

}  // namespace tandril
