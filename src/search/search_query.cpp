#include "search/search_query.h"

#include "server/get_field.h"

namespace tandril::search {
namespace {

constexpr const char* kLineSpeeds[] = {"Unknown", "14.4", "28.8", "33.6", "56K", "ISDN-56K", "ISDN-128K", "Câble", "DSL", "T1", "T3"};
constexpr std::size_t kMaxQuery = 2047;
constexpr std::size_t kMaxField = 99;

// A double quote would end the clause's quoted text early and let the rest be read as clauses.
std::string Field(std::string_view text) {
    std::string field(server::Trim(server::CutText(text, kMaxField)));
    std::erase(field, '"');
    return field;
}

}  // namespace

std::string LineSpeedName(int code) {
    return code >= 0 && code < static_cast<int>(std::size(kLineSpeeds)) ? kLineSpeeds[code] : "Unknown";
}

int LineSpeedCode(std::string_view name) {
    for (int code = 0; code < static_cast<int>(std::size(kLineSpeeds)); ++code) {
        if (server::EqualsNoCase(name, kLineSpeeds[code])) return code;
    }
    return 0;
}

std::string ProtocolComparison(std::string_view shown) {
    if (shown == kAtMost) return "AT BEST";
    if (shown == kEqualTo) return "EQUAL TO";
    if (shown == kAtLeast) return "AT LEAST";
    return {};
}

std::optional<std::string> BuildQuery(const SearchFields& fields) {
    const std::string artist = Field(fields.artist), title = Field(fields.title);
    if (artist.empty() && title.empty()) return std::nullopt;
    std::string query;
    if (!artist.empty()) query += "FILENAME CONTAINS \"" + artist + "\" ";
    query += "MAX_RESULTS " + std::to_string(kMaxResults) + " ";
    if (!title.empty()) query += "FILENAME CONTAINS \"" + title + "\" ";
    // The lists show French words; the servers take the protocol's words in their place.
    std::string lineSpeedWord = ProtocolComparison(fields.lineSpeedComparison);
    if (!lineSpeedWord.empty() && !fields.lineSpeed.empty()) {
        query += "LINESPEED \"" + lineSpeedWord + "\" " + std::to_string(LineSpeedCode(fields.lineSpeed)) + " ";
    }
    std::string bitrateWord = ProtocolComparison(fields.bitrateComparison);
    if (!bitrateWord.empty() && !fields.bitrate.empty()) {
        query += "BITRATE \"" + bitrateWord + "\" \"" + fields.bitrate.substr(0, fields.bitrate.find(' ')) + "\" ";
    }
    return server::CutText(query, kMaxQuery);
}

}  // namespace tandril::search
