#pragma once
// The query of message 200, built clause by clause from the search page's fields.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/server_messages.h"

namespace tandril::search {

// The comparison words as the lists show them, and the words the servers take for them.
inline constexpr const char* kAtMost = "Inférieur";
inline constexpr const char* kEqualTo = "Egale à ";
inline constexpr const char* kAtLeast = "Supéri.";
// Nullopt for a word that is not one of the three.
std::optional<protocol::Comparison> ProtocolComparison(std::string_view shown);

// The search page's lists (each shown after an empty first entry).
const std::vector<std::string>& ComparisonChoices();
const std::vector<std::string>& BitrateChoices();
const std::vector<std::string>& ConnectionChoices();
const std::vector<std::string>& ResponseTimeChoices();

struct SearchFields {
    std::string artist;
    std::string title;
    // Comparison words and values as selected; empty for no selection.
    std::string lineSpeedComparison, lineSpeed;  // e.g. "Egale à ", "DSL"
    std::string bitrateComparison, bitrate;      // e.g. "Inférieur", "128 KB/s"
};

inline constexpr int kMaxResults = 100;
// The search for these fields; nullopt when neither artist nor title is given.
std::optional<protocol::SearchRequest> BuildQuery(const SearchFields& fields);

}  // namespace tandril::search
