#pragma once
// Texts on the wire are Windows-1252 where that code page holds them, as the other clients of the
// network expect; a text it cannot hold (Cyrillic, Greek, CJK, ł, ř, combining accents) goes as
// UTF-8, so the name a peer later asks for is the name that was announced. The program holds
// UTF-8. Every conversion between the two happens here, at the protocol boundary.

#include <string>
#include <string_view>

namespace tandril {

// Windows-1252 when it holds the whole text and its bytes cannot be mistaken for UTF-8;
// otherwise UTF-8, with bytes that are not UTF-8 taken as Windows-1252 characters.
std::string ToWireText(std::string_view text);
// UTF-8 when the bytes are valid UTF-8 beyond ASCII, else Windows-1252.
std::string FromWireText(std::string_view wire);
// What the text reads as after a trip over the wire: the same text, with every byte that is not
// UTF-8 (a file name made on another system) replaced by its Windows-1252 character.
// FromWireText(ToWireText(t)) == WireForm(t), whatever surrounds t in the payload.
std::string WireForm(std::string_view text);
// False when the text would go as UTF-8.
bool GoesAsWindows1252(std::string_view text);

}  // namespace tandril
