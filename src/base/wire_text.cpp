#include "base/wire_text.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tandril {

namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five unassigned positions (kept as C1 controls).
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                                    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                                    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t Windows1252Character(unsigned char b) {
    if (b < 0x80 || b >= 0xA0) return b;
    char16_t mapped = kHighControls[b - 0x80];
    return mapped != 0 ? mapped : b;
}

std::optional<char> EncodeCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        char16_t mapped = kHighControls[i];
        if ((mapped != 0 && mapped == cp) || (mapped == 0 && cp == 0x80 + i)) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

// The UTF-8 sequence at text[i]: its code point and length, or nothing when the bytes there are
// not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
struct Sequence {
    char32_t cp;
    std::size_t length;
};

std::optional<Sequence> SequenceAt(std::string_view text, std::size_t i) {
    auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) return Sequence{b, 1};
    std::size_t length = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t cp = length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < length; ++k) {
        auto cont = static_cast<unsigned char>(text[i + k]);
        if ((cont & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (cont & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    return Sequence{cp, length};
}

bool IsUtf8BeyondAscii(std::string_view text) {
    bool beyond = false;
    for (std::size_t i = 0; i < text.size();) {
        auto sequence = SequenceAt(text, i);
        if (!sequence) return false;
        beyond = beyond || sequence->length > 1;
        i += sequence->length;
    }
    return beyond;
}

// The Windows-1252 bytes of the text (bytes that are not UTF-8 kept as they stand), or nothing
// when a character has no place in the code page.
std::optional<std::string> Windows1252Form(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto sequence = SequenceAt(text, i);
        if (!sequence) {
            out.push_back(text[i++]);
            continue;
        }
        auto byte = EncodeCodePoint(sequence->cp);
        if (!byte) return std::nullopt;
        out.push_back(*byte);
        i += sequence->length;
    }
    return out;
}

}  // namespace

std::string WireForm(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto sequence = SequenceAt(text, i);
        if (sequence) {
            out.append(text.substr(i, sequence->length));
            i += sequence->length;
        } else {
            AppendUtf8(out, Windows1252Character(static_cast<unsigned char>(text[i++])));
        }
    }
    return out;
}

std::string ToWireText(std::string_view text) {
    auto windows1252 = Windows1252Form(text);
    // Bytes that would read as UTF-8 at the other end go as UTF-8 themselves.
    if (windows1252 && !IsUtf8BeyondAscii(*windows1252)) return *windows1252;
    return WireForm(text);
}

bool GoesAsWindows1252(std::string_view text) {
    auto windows1252 = Windows1252Form(text);
    return windows1252 && !IsUtf8BeyondAscii(*windows1252);
}

std::string FromWireText(std::string_view wire) {
    if (IsUtf8BeyondAscii(wire)) return std::string(wire);
    std::string out;
    out.reserve(wire.size());
    for (char c : wire) AppendUtf8(out, Windows1252Character(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace tandril
