#pragma once
// Overwrites offensive words in a chat line with asterisks; the line keeps its length. Only what
// is shown is filtered, never what is sent.

#include <string>

namespace tandril::chat {

void FilterSwearWords(std::string& line);

}  // namespace tandril::chat
