#pragma once
// The one rule by which server payloads, command lines and data-file lines are split into fields.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tandril::server {

// Field `number` (from 1): runs of the separator are skipped; a field that begins with a double
// quote runs to the next double quote (quotes not included); the copy is cut to size - 1
// characters. nullopt when the field does not exist.
std::optional<std::string> GetField(std::string_view text, int number, std::size_t size, char separator = ' ');

std::string_view Trim(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);
// Cuts to at most `max` bytes without splitting a UTF-8 sequence.
std::string CutText(std::string_view text, std::size_t max);

}  // namespace tandril::server
