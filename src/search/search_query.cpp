#include "search/search_query.h"

#include "base/line_speed.h"
#include "base/text.h"

namespace tandril::search {
namespace {

constexpr std::size_t kMaxField = 99;

// A double quote would end the clause's quoted text early and let the rest be read as clauses.
std::string Field(std::string_view text) {
    std::string field(Trim(CutText(text, kMaxField)));
    std::erase(field, '"');
    return field;
}

}  // namespace

const std::vector<std::string>& ComparisonChoices() {
    static const std::vector<std::string> list{kAtMost, kEqualTo, kAtLeast};
    return list;
}

const std::vector<std::string>& BitrateChoices() {
    static const std::vector<std::string> list{"256 KB/s", "192 KB/s", "160 KB/s", "128 KB/s", "112 KB/s", "96 KB/s", "80 KB/s",
                                               "64 KB/s",  "56 KB/s",  "48 KB/s",  "32 KB/s",  "24 KB/s",  "20 KB/s"};
    return list;
}

const std::vector<std::string>& ConnectionChoices() {
    static const std::vector<std::string> list{"T3", "T1", "DSL", "Câble", "ISDN-128K", "ISDN-56K", "56K", "33.6", "28.8", "14.4"};
    return list;
}

const std::vector<std::string>& ResponseTimeChoices() {
    static const std::vector<std::string> list{"50 ms",  "75 ms",  "100 ms", "150 ms", "200 ms", "250 ms", "300 ms", "350 ms",
                                               "400 ms", "450 ms", "500 ms", "600 ms", "700 ms", "800 ms", "900 ms", "1 seconde"};
    return list;
}

std::optional<protocol::Comparison> ProtocolComparison(std::string_view shown) {
    if (shown == kAtMost) return protocol::Comparison::AtBest;
    if (shown == kEqualTo) return protocol::Comparison::EqualTo;
    if (shown == kAtLeast) return protocol::Comparison::AtLeast;
    return std::nullopt;
}

std::optional<protocol::SearchRequest> BuildQuery(const SearchFields& fields) {
    protocol::SearchRequest request;
    request.artist = Field(fields.artist);
    request.title = Field(fields.title);
    if (request.artist.empty() && request.title.empty()) return std::nullopt;
    request.maxResults = kMaxResults;
    // The lists show French words; the servers take the protocol's words in their place.
    if (auto word = ProtocolComparison(fields.lineSpeedComparison); word && !fields.lineSpeed.empty()) {
        request.lineSpeedComparison = word;
        request.lineSpeed = LineSpeedCode(fields.lineSpeed);
    }
    if (auto word = ProtocolComparison(fields.bitrateComparison); word && !fields.bitrate.empty()) {
        request.bitrateComparison = word;
        request.bitrate = fields.bitrate.substr(0, fields.bitrate.find(' '));
    }
    return request;
}

}  // namespace tandril::search
