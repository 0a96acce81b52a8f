#include "chat/rtf_line.h"

#include <cctype>

#include "chat/color_scheme.h"

namespace tandril::chat {

std::string RtfLine::PlainText() const {
    std::string text;
    for (const RtfRun& run : runs) text += run.text;
    return text;
}

namespace {

struct Look {
    int color = 0;
    bool bold = false;
    bool underline = false;
    bool inColorTable = false;
};

}  // namespace

RtfLine ParseRtfLine(std::string_view rtf) {
    RtfLine line;
    line.colors.push_back(0);
    std::vector<Look> stack{Look{}};
    unsigned red = 0, green = 0, blue = 0;
    auto emit = [&](std::string_view text) {
        const Look& look = stack.back();
        if (look.inColorTable) return;
        if (!line.runs.empty()) {
            RtfRun& last = line.runs.back();
            if (last.color == look.color && last.bold == look.bold && last.underline == look.underline && last.text != "\n" &&
                text != "\n") {
                last.text += text;
                return;
            }
        }
        line.runs.push_back({std::string(text), look.color, look.bold, look.underline});
    };
    std::size_t i = 0;
    while (i < rtf.size()) {
        char c = rtf[i];
        if (c == '{') {
            stack.push_back(stack.back());
            ++i;
        } else if (c == '}') {
            if (stack.size() == 1) break;
            stack.pop_back();
            ++i;
        } else if (c == '\\') {
            if (i + 1 >= rtf.size()) break;
            char next = rtf[i + 1];
            if (next == '\\' || next == '{' || next == '}') {
                emit(std::string_view(&rtf[i + 1], 1));
                i += 2;
                continue;
            }
            std::size_t j = i + 1;
            while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
            std::string_view word = rtf.substr(i + 1, j - i - 1);
            bool negative = j < rtf.size() && rtf[j] == '-';
            if (negative) ++j;
            std::size_t digitsStart = j;
            long value = 0;
            while (j < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[j])) && j - digitsStart < 9)
                value = value * 10 + (rtf[j++] - '0');
            bool hasValue = j > digitsStart;
            if (negative) value = -value;
            if (j < rtf.size() && rtf[j] == ' ') ++j;  // the delimiter belongs to the control word
            i = j;
            if (word.empty()) continue;  // a control symbol we do not know
            Look& look = stack.back();
            if (word == "colortbl") {
                look.inColorTable = true;
            } else if (word == "red") {
                red = static_cast<unsigned>(value & 255);
            } else if (word == "green") {
                green = static_cast<unsigned>(value & 255);
            } else if (word == "blue") {
                blue = static_cast<unsigned>(value & 255);
            } else if (word == "cf") {
                look.color = static_cast<int>(value);
            } else if (word == "b") {
                look.bold = !hasValue || value != 0;
            } else if (word == "ul") {
                look.underline = !hasValue || value != 0;
            } else if (word == "ulnone") {
                look.underline = false;
            } else if (word == "par") {
                emit("\n");
            }
        } else if (c == ';' && stack.back().inColorTable) {
            line.colors.push_back(Rgb(red, green, blue));
            red = green = blue = 0;
            ++i;
        } else if (c == '\r' || c == '\n') {
            ++i;  // line ends in RTF source are not text
        } else {
            std::size_t j = i;
            while (j < rtf.size() && rtf[j] != '{' && rtf[j] != '}' && rtf[j] != '\\' && rtf[j] != '\r' && rtf[j] != '\n' &&
                   !(rtf[j] == ';' && stack.back().inColorTable)) {
                ++j;
            }
            emit(rtf.substr(i, j - i));
            i = j;
        }
    }
    // The colour table's leading ";" made an empty first slot: colour n is colors[n].
    if (line.colors.size() > 1) line.colors.erase(line.colors.begin() + 1);
    return line;
}

}  // namespace tandril::chat
