#pragma once
// Case, for comparing names: folded for ASCII letters only, whatever the user's locale, so that
// names compare and sort the same on every machine and no byte of a UTF-8 sequence is changed.

namespace tandril {

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace tandril
