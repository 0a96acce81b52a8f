#pragma once
// Text helpers every part shares: the one field rule by which server payloads, peer lines,
// command lines and data-file lines are split, and the bounded texts the program keeps and shows.

#include <cstdarg>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandril {

// The field rule: runs of the separator are skipped; a field that begins with a double quote runs
// to the next double quote (quotes not included, an unclosed quote runs to the end); any other
// field runs to the next separator.
//
// Field `number` (from 1), cut to size - 1 characters; nullopt when the field does not exist.
std::optional<std::string> GetField(std::string_view text, int number, std::size_t size, char separator = ' ');
// Every field of `text`, uncut, in order.
std::vector<std::string> SplitFields(std::string_view text, char separator = ' ');
// What follows field `number` and the separators after it (for "the text to the end" fields);
// nullopt when field `number` does not exist.
std::optional<std::string_view> RestAfterField(std::string_view text, int number, char separator = ' ');

std::string_view Trim(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Cuts to at most `max` bytes without splitting a UTF-8 sequence.
std::string CutText(std::string_view text, std::size_t max);

// The decimal rule: leading blanks, a sign and digits; anything else reads as 0.
long long DecimalValue(std::string_view text);
// True when `text` is one or more decimal digits and nothing else.
bool IsDecimal(std::string_view text);

// Formats at most `max` bytes (a multi-byte character is never split).
std::string Format(std::size_t max, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::string FormatV(std::size_t max, const char* format, va_list args);

// 1234567 -> "1,234,567"; an empty text becomes "0"; a result of `limit` characters or more leaves
// the text as it was.
std::string GroupThousands(std::string_view digits, std::size_t limit = 49);

// The local time in the C library's 26-character form, with its line feed.
std::string CTimeText(long long secondsSinceEpoch);
// The local time now in that form, without the line feed (as chat lines show it).
std::string NowText();

}  // namespace tandril
