#include "search/search_result.h"

#include <algorithm>
#include <charconv>

#include "base/line_speed.h"
#include "base/text.h"
#include "search/search_query.h"

namespace tandril::search {
namespace {

std::string ValueText(std::int32_t value) {
    return value == -1 ? "DRM" : std::to_string(value);
}

std::string LengthText(std::int32_t seconds) {
    if (seconds == -1) return "DRM";
    return Format(32, "%d:%s%d", seconds / 60, seconds % 60 < 10 ? "0" : "", seconds % 60);
}

bool ShowsPing(int ping) {
    return ping >= 0 && ping != kPingNoAnswer;
}

// The last two components of a name as the network writes it ("n:\\n\\folder\\file"), or the
// file name alone when it has fewer than three backslashes.
std::string ShareNameOf(std::string_view name) {
    std::size_t last = name.rfind('\\');
    if (last == std::string_view::npos) return std::string(name);
    if (std::count(name.begin(), name.end(), '\\') < 3) return std::string(name.substr(last + 1));
    return std::string(name.substr(name.rfind('\\', last - 1) + 1));
}

}  // namespace

SearchResult ResultFrom(const protocol::SearchResult& m) {
    SearchResult r;
    r.fileName = m.fileName;
    r.hash = m.hash;
    r.size = m.size;
    r.bitrate = m.bitrate;
    r.frequency = m.frequency;
    r.length = m.length;
    r.user = m.user;
    r.address = m.address;
    r.lineSpeed = m.lineSpeed;
    r.weight = m.weight;
    return r;
}

int ResponseTimeLimit(std::string_view value) {
    if (value == "1 seconde") return 1000;
    int ms = 0;
    std::from_chars(value.data(), value.data() + value.size(), ms);
    return ms;
}

std::vector<ResultRow> ShowSearchResults(std::vector<SearchResult>& results, const ShowOptions& options) {
    const bool filter = options.byResponseTime && options.limitMs > 0;
    std::vector<ResultRow> rows;
    std::vector<const SearchResult*> shown;  // parallel to rows
    for (std::size_t i = 0; i < results.size(); ++i) {
        SearchResult& r = results[i];
        if (options.byResponseTime && r.ping == kPingNotMeasured) {
            r.ping = kPingNoAnswer;
            for (const SearchResult& other : results) {
                if (&other != &r && other.address == r.address && other.ping != kPingNotMeasured) {
                    r.ping = other.ping;
                    break;
                }
            }
        }
        if (filter) {
            const int ping = r.ping < 0 ? kPingNoAnswer : r.ping;
            // "Supéri." keeps what is at least the limit, as its name says.
            bool keep = options.comparison == kEqualTo   ? ping == options.limitMs
                        : options.comparison == kAtLeast ? ping >= options.limitMs
                                                         : ping <= options.limitMs;
            if (!keep) continue;
        }
        auto ranksBefore = [&](const SearchResult& row) {
            if (r.weight != 0) return row.weight >= r.weight;
            if (row.weight != 0) return true;
            if (options.byResponseTime) {
                if (!ShowsPing(row.ping)) return false;  // a row showing "N/A" is passed over
                return r.ping == kPingNoAnswer || !ShowsPing(r.ping) || r.ping >= row.ping;
            }
            return row.lineSpeed >= r.lineSpeed;
        };
        std::size_t position = 0;
        for (std::size_t k = shown.size(); k-- > 0;) {
            if (ranksBefore(*shown[k])) {
                position = k + 1;
                break;
            }
        }
        ResultRow row;
        row.result = i;
        row.name = ShareNameOf(r.fileName);
        row.image = r.lineSpeed <= 3 ? 2 : r.lineSpeed <= 6 ? 1 : 0;
        row.size = GroupThousands(std::to_string(r.size));
        row.bitrate = ValueText(r.bitrate);
        row.frequency = ValueText(r.frequency);
        row.length = LengthText(r.length);
        row.user = r.user;
        row.connection = LineSpeedName(r.lineSpeed);
        row.ping = ShowsPing(r.ping) ? std::to_string(r.ping) : "N/A";
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(position), std::move(row));
        shown.insert(shown.begin() + static_cast<std::ptrdiff_t>(position), &r);
    }
    return rows;
}

}  // namespace tandril::search
