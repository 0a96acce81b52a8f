#include "base/text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "base/ascii.h"
#include "base/field_views.h"

namespace tandril {

namespace {

struct FieldSpan {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;  // where the scan goes on after this field
};

// The one field rule, one field at a time from `pos`; nullopt when no field is left.
std::optional<FieldSpan> NextField(std::string_view text, std::size_t pos, char separator) {
    while (pos < text.size() && text[pos] == separator) ++pos;
    if (pos >= text.size()) return std::nullopt;
    FieldSpan span;
    if (text[pos] == '"') {
        span.begin = pos + 1;
        span.end = std::min(text.find('"', span.begin), text.size());
        span.next = span.end < text.size() ? span.end + 1 : span.end;
    } else {
        span.begin = pos;
        span.end = std::min(text.find(separator, pos), text.size());
        span.next = span.end;
    }
    return span;
}

std::optional<FieldSpan> FindField(std::string_view text, int number, char separator) {
    std::size_t pos = 0;
    for (int index = 1; index <= number; ++index) {
        auto span = NextField(text, pos, separator);
        if (!span) return std::nullopt;
        if (index == number) return span;
        pos = span->next;
    }
    return std::nullopt;
}

char Lower(char c) {
    return AsciiLower(c);
}

}  // namespace

std::optional<std::string> GetField(std::string_view text, int number, std::size_t size, char separator) {
    auto span = FindField(text, number, separator);
    if (!span) return std::nullopt;
    if (size == 0) return std::string();
    std::string_view field = text.substr(span->begin, span->end - span->begin);
    return std::string(field.substr(0, std::min(field.size(), size - 1)));
}

std::vector<std::string> SplitFields(std::string_view text, char separator) {
    std::vector<std::string> fields;
    for (std::size_t pos = 0;;) {
        auto span = NextField(text, pos, separator);
        if (!span) return fields;
        fields.emplace_back(text.substr(span->begin, span->end - span->begin));
        pos = span->next;
    }
}

std::size_t SplitFieldViews(std::string_view text, std::string_view* fields, std::size_t max, char separator) {
    std::size_t count = 0;
    for (std::size_t pos = 0; count < max;) {
        auto span = NextField(text, pos, separator);
        if (!span) break;
        fields[count++] = text.substr(span->begin, span->end - span->begin);
        pos = span->next;
    }
    return count;
}

std::optional<std::string_view> RestAfterField(std::string_view text, int number, char separator) {
    auto span = FindField(text, number, separator);
    if (!span) return std::nullopt;
    std::size_t pos = span->next;
    while (pos < text.size() && text[pos] == separator) ++pos;
    return text.substr(pos);
}

std::string_view Trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    auto it =
        std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), [](char x, char y) { return Lower(x) == Lower(y); });
    return it != haystack.end() || needle.empty();
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string CutText(std::string_view text, std::size_t max) {
    if (text.size() <= max) return std::string(text);
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t cut = max;
    // A UTF-8 character the cut would split goes whole. Only the three bytes before the cut are
    // looked at: text that is not UTF-8 (Windows-1252 bytes look like continuation bytes) is cut
    // where asked, not shortened to nothing.
    if ((byte(cut) & 0xC0) == 0x80) {
        for (std::size_t back = 1; back <= 3 && back <= cut; ++back) {
            if ((byte(cut - back) & 0xC0) == 0xC0) {
                cut -= back;
                break;
            }
            if ((byte(cut - back) & 0xC0) != 0x80) break;
        }
    }
    return std::string(text.substr(0, cut));
}

long long DecimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > 100000000000LL) break;  // far beyond any value the program keeps
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

bool IsDecimal(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string FormatV(std::size_t max, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return CutText(std::string_view(buffer.data(), static_cast<std::size_t>(needed)), max);
}

std::string Format(std::size_t max, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(max, format, args);
    va_end(args);
    return text;
}

std::string GroupThousands(std::string_view digits, std::size_t limit) {
    if (digits.empty()) return "0";
    std::string grouped;
    std::size_t count = 0;
    for (std::size_t i = digits.size(); i > 0; --i) {
        if (count > 0 && count % 3 == 0) grouped.insert(grouped.begin(), ',');
        grouped.insert(grouped.begin(), digits[i - 1]);
        ++count;
    }
    return grouped.size() >= limit ? std::string(digits) : grouped;
}

std::string CTimeText(long long secondsSinceEpoch) {
    std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y\n", &local);
    return buffer;
}

std::string NowText() {
    std::string t = CTimeText(std::time(nullptr));
    if (!t.empty() && t.back() == '\n') t.pop_back();
    return t;
}

}  // namespace tandril
