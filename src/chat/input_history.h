#pragma once
// An input line's history: every non-empty line typed, oldest first, and the entry the up and
// down arrows show. A channel window and an instant-message window each keep one.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tandril::chat {

class InputHistory {
public:
    // A line was entered: remembered when not empty; browsing starts again from the newest.
    void RememberTyped(const std::string& line);
    // Up and down arrows: nullopt leaves the input as it is; an empty text clears it.
    std::optional<std::string> BrowseOlder();
    std::optional<std::string> BrowseNewer();
    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
    std::optional<std::size_t> cursor_;
};

}  // namespace tandril::chat
