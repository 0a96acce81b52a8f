#pragma once
// The line-speed codes: one table for the search query, the result columns, the transfer rows and
// the user's own setting.

#include <string>
#include <string_view>

namespace tandril {

// "Unknown" for a code outside the table.
std::string LineSpeedName(int code);
// 0 for a name not in the table (case ignored).
int LineSpeedCode(std::string_view name);

}  // namespace tandril
