#pragma once
// One search result (message 201) and the order and texts in which a finished search shows them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/server_messages.h"

namespace tandril::search {

inline constexpr int kPingNotMeasured = -3;
inline constexpr int kPingMeasuring = -2;
inline constexpr int kPingNoAnswer = 9999;

struct SearchResult {
    std::string fileName;  // the virtual name, at most 349 characters
    std::string hash;      // at most 49
    std::string user;      // at most 19
    std::uint32_t size = 0;
    std::int32_t weight = 0;
    std::int32_t bitrate = 0, frequency = 0, length = 0;  // -1: "DRM"
    std::int32_t lineSpeed = 0;
    std::int32_t ping = kPingNotMeasured;
    std::uint32_t address = 0;
};

// A result as message 201 gave it, not yet measured.
SearchResult ResultFrom(const protocol::SearchResult& message);

struct ResultRow {
    std::size_t result = 0;  // index in the results it came from
    std::string name;        // the share name
    int image = 0;           // 0 fast, 1 medium, 2 slow connection
    std::string size, bitrate, frequency, length, user, connection, ping;
};

struct ShowOptions {
    bool byResponseTime = false;
    int limitMs = 0;         // 0: no response-time filter
    std::string comparison;  // the response-time comparison as the list shows it
};

// The rows of a finished search in display order: by weight, then fastest connection (or lowest
// ping), then arrival. By response time, results not measured take the ping of a measured result
// of the same address, or "no answer" (written back into `results`).
std::vector<ResultRow> ShowSearchResults(std::vector<SearchResult>& results, const ShowOptions& options);

// "50 ms" -> 50, "1 seconde" -> 1000, anything else 0.
int ResponseTimeLimit(std::string_view value);

}  // namespace tandril::search
