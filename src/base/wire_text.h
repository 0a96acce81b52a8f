#pragma once
// Texts on the wire are Windows-1252; the program holds UTF-8. Every conversion between the two
// happens here, at the protocol boundary.

#include <string>
#include <string_view>

namespace tandril {

std::string Cp1252ToUtf8(std::string_view wire);
// Characters that Windows-1252 cannot hold become '?'; malformed UTF-8 bytes are taken as Latin-1.
std::string Utf8ToCp1252(std::string_view text);

}  // namespace tandril
