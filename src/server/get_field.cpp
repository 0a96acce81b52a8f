#include "server/get_field.h"

#include <algorithm>
#include <cctype>

namespace tandril::server {

std::optional<std::string> GetField(std::string_view text, int number, std::size_t size, char separator) {
    std::size_t pos = 0;
    for (int index = 1;; ++index) {
        while (pos < text.size() && text[pos] == separator) ++pos;
        if (pos >= text.size()) return std::nullopt;
        std::size_t begin = pos;
        std::size_t end;
        if (text[pos] == '"') {
            begin = pos + 1;
            end = text.find('"', begin);
            if (end == std::string_view::npos) end = text.size();
            pos = end < text.size() ? end + 1 : end;
        } else {
            end = text.find(separator, pos);
            if (end == std::string_view::npos) end = text.size();
            pos = end;
        }
        if (index == number) {
            std::string_view field = text.substr(begin, end - begin);
            if (size == 0) return std::string();
            return std::string(field.substr(0, std::min(field.size(), size - 1)));
        }
    }
}

std::string_view Trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

static char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    auto it =
        std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), [](char x, char y) { return Lower(x) == Lower(y); });
    return it != haystack.end() || needle.empty();
}

std::string CutText(std::string_view text, std::size_t max) {
    if (text.size() <= max) return std::string(text);
    std::size_t cut = max;
    // Step back over continuation bytes so a multi-byte character is never split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut));
}

}  // namespace tandril::server
