#pragma once
#include <string>

namespace tandril {
// The text of the box shown when an error escapes every handler (at most 999 characters).
std::string FatalErrorText();
}  // namespace tandril
