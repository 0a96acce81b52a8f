#pragma once
// Which words of a chat line are web addresses.

#include <cstddef>
#include <string>

namespace tandril::chat {

// True when `word` is an address. The word is tidied (blanks, ".,!" at the ends, quotes and
// brackets removed) and, for "www.", "ftp." and "gopher.", given its scheme when the result
// has fewer than `capacity` characters.
bool IsChatUrl(std::string& word, std::size_t capacity);

}  // namespace tandril::chat
