#include "chat/chat_url.h"

#include <algorithm>
#include <string_view>

#include "base/text.h"

namespace tandril::chat {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

void TrimSet(std::string& word, std::string_view set) {
    auto first = word.find_first_not_of(set);
    if (first == std::string::npos) {
        word.clear();
        return;
    }
    word.erase(word.find_last_not_of(set) + 1);
    word.erase(0, first);
}

}  // namespace

bool IsChatUrl(std::string& word, std::size_t capacity) {
    TrimSet(word, " ");
    TrimSet(word, ".,!");
    std::erase_if(word, [](char c) { return c == '"' || c == '(' || c == ')' || c == '<' || c == '>'; });
    for (std::string_view scheme : {"http://", "ftp://", "gopher://"}) {
        if (StartsWithNoCase(word, scheme)) return true;
    }
    const std::pair<std::string_view, std::string_view> hosts[] = {{"www.", "http://"}, {"ftp.", "ftp://"}, {"gopher.", "gopher://"}};
    for (auto [host, scheme] : hosts) {
        if (!StartsWithNoCase(word, host)) continue;
        if (word.size() + scheme.size() < capacity) word.insert(0, scheme);
        return true;
    }
    return false;
}

}  // namespace tandril::chat
