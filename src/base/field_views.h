#pragma once
// The field rule of base/text.h, giving views into the text instead of strings: for reading many
// lines without a string per field.

#include <cstddef>
#include <string_view>

namespace tandril {

// The first `max` fields of `text`, put in `fields`; returns how many there are (at most `max`).
std::size_t SplitFieldViews(std::string_view text, std::string_view* fields, std::size_t max, char separator = ' ');

}  // namespace tandril
