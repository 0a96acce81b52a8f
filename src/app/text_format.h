#pragma once
// printf-style texts with the program's length bounds: a text is cut, never rejected.

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace tandril {

// Formats at most `max` bytes (a multi-byte character is never split).
std::string Format(std::size_t max, const char* format, ...) __attribute__((format(printf, 2, 3)));
std::string FormatV(std::size_t max, const char* format, va_list args);

// 1234567 -> "1,234,567"; an empty text becomes "0"; a result of `limit` characters or more leaves
// the text as it was.
std::string GroupThousands(std::string_view digits, std::size_t limit = 49);

// The local time in the C library's 26-character form, with its line feed.
std::string CTimeText(long long secondsSinceEpoch);

}  // namespace tandril
