#include "chat/swear_filter.h"

#include <map>
#include <string_view>
#include <utility>

namespace tandril::chat {

namespace {

struct Entry {
    std::string_view word;
    bool wholeWordOnly;
};

// 51 entries; three repeat an earlier word and change nothing. The whole-word entries take no
// ending at all; the others may take an inflection.
constexpr Entry kTable[] = {
    {"ass", true},         {"fag", true},           {"fuq", true},       {"dick", true},        {"puta", true},      {"shit", false},
    {"asshole", false},    {"motherfucker", false}, {"wh0re", false},    {"fuck", false},       {"bitch", false},    {"bastard", false},
    {"whore", false},      {"slut", false},         {"piss", false},     {"pussy", false},      {"twat", false},     {"wank", false},
    {"bollocks", false},   {"bullshit", false},     {"dickhead", false}, {"douchebag", false},  {"jackass", false},  {"arsehole", false},
    {"goddamn", false},    {"cunt", false},         {"dumbass", false},  {"cocksucker", false}, {"nutsack", false},  {"bellend", false},
    {"skank", false},      {"mierda", false},       {"cabron", false},   {"pendejo", false},    {"chinga", false},   {"joder", false},
    {"gilipollas", false}, {"maricon", false},      {"culero", false},   {"verga", false},      {"hijoputa", false}, {"carajo", false},
    {"pinche", false},     {"zorra", false},        {"mamon", false},    {"huevon", false},     {"cojones", false},  {"malparido", false},
    {"shit", false},       {"bitch", false},        {"fuck", false},
};
static_assert(std::size(kTable) == 51);

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The words in ascending order, each once (the first entry of a repeated word counts).
const std::map<std::string_view, bool>& SwearWordList() {
    static const std::map<std::string_view, bool> list = [] {
        std::map<std::string_view, bool> m;
        for (const Entry& e : kTable) m.emplace(e.word, e.wholeWordOnly);
        return m;
    }();
    return list;
}

// The endings a listed word may take and still be the word ("fucking", "bitches"); anything else
// after it makes another word ("pinched" is not "pinche" with a "d").
bool IsInflection(std::string_view ending) {
    for (std::string_view allowed : {"", "s", "es", "ed", "er", "ers", "ing", "ings", "y"}) {
        if (ending == allowed) return true;
    }
    return false;
}

// A listed word counts where it stands as a word: it starts one, and what follows it up to the next
// non-letter is nothing (whole-word entries) or an inflection. Ordinary words that happen to hold
// a listed word ("Scunthorpe", "swanky") pass untouched.
bool StandsAsWord(const std::string& text, std::size_t start, std::size_t end, bool wholeWordOnly) {
    if (start > 0 && IsAsciiLetter(text[start - 1])) return false;
    std::string ending;
    for (std::size_t j = end + 1; j < text.size() && IsAsciiLetter(text[j]); ++j) ending.push_back(Lower(text[j]));
    return wholeWordOnly ? ending.empty() : IsInflection(ending);
}

void StarMatches(std::string& text, std::string_view word, bool wholeWordOnly) {
    std::size_t k = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        // Other characters are skipped: they neither advance nor break a match. A listed word's
        // own digit ("wh0re") is matched like a letter, or that word could never be caught.
        if (!IsAsciiLetter(c) && c != word[k]) continue;
        char lower = Lower(c);
        if (lower == word[k]) {
            if (k == 0) start = i;
            if (++k < word.size()) continue;
            if (StandsAsWord(text, start, i, wholeWordOnly)) {
                for (std::size_t j = start; j <= i; ++j) text[j] = '*';
            }
            k = 0;
        } else if (lower == word[0]) {
            k = 1;
            start = i;
        } else {
            k = 0;
        }
    }
}

}  // namespace

void FilterSwearWords(std::string& line) {
    for (const auto& [word, wholeWordOnly] : SwearWordList()) StarMatches(line, word, wholeWordOnly);
}

}  // namespace tandril::chat
