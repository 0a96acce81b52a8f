#include <gtest/gtest.h>

#include "base/line_speed.h"
#include "search/search_query.h"
#include "search/search_result.h"

using namespace tandril;
using namespace tandril::search;

namespace {

// The query text the fields go out with, as the server reads it.
std::optional<std::string> Query(const SearchFields& fields) {
    auto request = BuildQuery(fields);
    return request ? std::optional(request->Encode()) : std::nullopt;
}

SearchResult ParseSearchResult(const std::string& payload) {
    return ResultFrom(*tandril::protocol::SearchResult::Decode(payload));
}

}  // namespace

TEST(SearchQuery, BuildsTheClausesInOrder) {
    struct Case {
        SearchFields fields;
        const char* query;
    } cases[] = {
        {{.artist = "abba"}, "FILENAME CONTAINS \"abba\" MAX_RESULTS 100 "},
        {{.artist = "  pink floyd ", .title = "money"}, "FILENAME CONTAINS \"pink floyd\" MAX_RESULTS 100 FILENAME CONTAINS \"money\" "},
        {{.title = "money"}, "MAX_RESULTS 100 FILENAME CONTAINS \"money\" "},
        {{.artist = "a", .bitrateComparison = kAtMost, .bitrate = "128 KB/s"},
         "FILENAME CONTAINS \"a\" MAX_RESULTS 100 BITRATE \"AT BEST\" \"128\" "},
        {{.artist = "a", .lineSpeedComparison = kEqualTo, .lineSpeed = "DSL"},
         "FILENAME CONTAINS \"a\" MAX_RESULTS 100 LINESPEED \"EQUAL TO\" 8 "},
        {{.artist = "a", .lineSpeedComparison = kAtLeast, .lineSpeed = "Câble", .bitrateComparison = kAtLeast, .bitrate = "320"},
         "FILENAME CONTAINS \"a\" MAX_RESULTS 100 LINESPEED \"AT LEAST\" 7 BITRATE \"AT LEAST\" \"320\" "},
        // A comparison without its value, or a value without its comparison, adds nothing.
        {{.artist = "a", .lineSpeedComparison = kAtMost, .bitrate = "128 KB/s"}, "FILENAME CONTAINS \"a\" MAX_RESULTS 100 "},
        {{.artist = "a", .lineSpeed = "T1", .bitrateComparison = kEqualTo}, "FILENAME CONTAINS \"a\" MAX_RESULTS 100 "},
        // A quote typed in a field cannot close the clause early.
        {{.artist = "x\" MAX_RESULTS 9999 \""}, "FILENAME CONTAINS \"x MAX_RESULTS 9999 \" MAX_RESULTS 100 "},
    };
    for (const Case& c : cases) EXPECT_EQ(Query(c.fields), c.query) << c.query;
    EXPECT_EQ(Query({.artist = "  ", .title = ""}), std::nullopt);
    // Each field is read with at most 99 characters; the whole query stays within 2047.
    std::string query = *Query({.artist = std::string(500, 'a'), .title = std::string(500, 'b')});
    EXPECT_EQ(query,
              "FILENAME CONTAINS \"" + std::string(99, 'a') + "\" MAX_RESULTS 100 FILENAME CONTAINS \"" + std::string(99, 'b') + "\" ");
    EXPECT_LE(query.size(), 2047u);
}

TEST(SearchQuery, LineSpeedNamesAndCodes) {
    EXPECT_EQ(LineSpeedCode("dsl"), 8);
    EXPECT_EQ(LineSpeedCode("CÂBLE"), 0);  // case is ignored for ASCII letters only
    EXPECT_EQ(LineSpeedCode("Câble"), 7);
    EXPECT_EQ(LineSpeedCode("modem"), 0);
    EXPECT_EQ(LineSpeedName(10), "T3");
    EXPECT_EQ(LineSpeedName(11), "Unknown");
    EXPECT_EQ(LineSpeedName(-1), "Unknown");
    EXPECT_EQ(ResponseTimeLimit("150 ms"), 150);
    EXPECT_EQ(ResponseTimeLimit("1 seconde"), 1000);
}

namespace {

SearchResult Result(const std::string& user, int lineSpeed, int weight = 0, int ping = kPingNotMeasured, std::uint32_t address = 1) {
    SearchResult r = ParseSearchResult("\"3:\\3\\Rock\\song.mp3\" h-1 1234567 128 44100 65 " + user + " " + std::to_string(address) + " " +
                                       std::to_string(lineSpeed) + " " + std::to_string(weight));
    r.ping = ping;
    return r;
}

std::vector<std::string> Users(const std::vector<ResultRow>& rows) {
    std::vector<std::string> users;
    for (const ResultRow& r : rows) users.push_back(r.user);
    return users;
}

}  // namespace

TEST(SearchResults, ParseTheTenTokens) {
    SearchResult r = ParseSearchResult("\"3:\\3\\My Band\\a song.mp3\" abc-12 5000 -1 -1 -1 kim 16777343 8 2");
    EXPECT_EQ(r.fileName, "3:\\3\\My Band\\a song.mp3");
    EXPECT_EQ(r.hash, "abc-12");
    EXPECT_EQ(r.size, 5000u);
    EXPECT_EQ(r.bitrate, -1);
    EXPECT_EQ(r.user, "kim");
    EXPECT_EQ(r.address, 16777343u);
    EXPECT_EQ(r.lineSpeed, 8);
    EXPECT_EQ(r.weight, 2);
    EXPECT_EQ(r.ping, kPingNotMeasured);
    SearchResult shortOne = ParseSearchResult("\"a.mp3\" h 12");
    EXPECT_EQ(shortOne.size, 12u);
    EXPECT_EQ(shortOne.user, "");
    EXPECT_EQ(shortOne.lineSpeed, 0);
}

TEST(SearchResults, OrderByWeightThenConnectionThenArrival) {
    std::vector<SearchResult> results = {Result("slow", 3), Result("fast1", 8), Result("fast2", 8)};
    std::vector<ResultRow> rows = ShowSearchResults(results, {});
    EXPECT_EQ(Users(rows), (std::vector<std::string>{"fast1", "fast2", "slow"}));
    EXPECT_EQ(rows[0].name, "Rock\\song.mp3");
    EXPECT_EQ(rows[0].size, "1,234,567");
    EXPECT_EQ(rows[0].length, "1:05");
    EXPECT_EQ(rows[0].connection, "DSL");
    EXPECT_EQ(rows[0].image, 0);
    EXPECT_EQ(rows[2].image, 2);
    EXPECT_EQ(rows[0].ping, "N/A");

    results = {Result("light", 10, 1), Result("none", 10), Result("heavy", 0, 5), Result("light2", 1, 1)};
    EXPECT_EQ(Users(ShowSearchResults(results, {})), (std::vector<std::string>{"heavy", "light", "light2", "none"}));
}

TEST(SearchResults, ByResponseTimeLowestPingFirstAndEachAddressMeasuredOnce) {
    std::vector<SearchResult> results = {Result("a", 8, 0, 120, 1), Result("b", 8, 0, kPingNoAnswer, 2), Result("c", 8, 0, 40, 3),
                                         Result("a-again", 8, 0, kPingNotMeasured, 1), Result("unmeasured", 8, 0, kPingNotMeasured, 9)};
    std::vector<ResultRow> rows = ShowSearchResults(results, {.byResponseTime = true});
    // Rows showing "N/A" are passed over when a later result finds its place, so they stay last.
    EXPECT_EQ(Users(rows), (std::vector<std::string>{"c", "a", "a-again", "unmeasured", "b"}));
    EXPECT_EQ(rows[2].ping, "120");  // the ping of the same address
    EXPECT_EQ(rows[3].ping, "N/A");
    EXPECT_EQ(rows[4].ping, "N/A");

    struct Case {
        const char* comparison;
        std::vector<std::string> users;
    } cases[] = {{kAtMost, {"c"}}, {kEqualTo, {"c"}}, {kAtLeast, {"a", "b"}}};
    for (const Case& c : cases) {
        results = {Result("a", 8, 0, 120, 1), Result("b", 8, 0, kPingNoAnswer, 2), Result("c", 8, 0, 40, 3)};
        results[2].ping = c.comparison == std::string(kEqualTo) ? 100 : 40;
        rows = ShowSearchResults(results, {.byResponseTime = true, .limitMs = 100, .comparison = c.comparison});
        EXPECT_EQ(Users(rows), c.users) << c.comparison;
    }
}
