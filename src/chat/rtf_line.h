#pragma once
// The small RTF subset of chat lines: a colour table, \cf, \fs, \par, \ul/\ulnone, \b/\b0,
// groups and the escaped characters. Read into runs of text with their look.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandril::chat {

struct RtfRun {
    std::string text;  // "\n" for a paragraph break
    int color = 0;     // index into the colour table; 0 is the view's own text colour
    bool bold = false;
    bool underline = false;
};

struct RtfLine {
    std::vector<std::uint32_t> colors;  // colours 1..n of the table (0x00BBGGRR), index 0 unused
    std::vector<RtfRun> runs;
    std::string PlainText() const;
};

// Unknown control words are ignored; unbalanced braces end the document early, never badly.
RtfLine ParseRtfLine(std::string_view rtf);

}  // namespace tandril::chat
