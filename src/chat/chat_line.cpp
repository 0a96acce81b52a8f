#include "chat/chat_line.h"

#include "base/text.h"
#include "chat/chat_url.h"
#include "chat/rtf_line.h"
#include "chat/swear_filter.h"

namespace tandril::chat {

std::string EscapeChatText(std::string_view line) {
    std::string out;
    for (char c : line) {
        if (out.size() + 2 > kMaxLineDocument) break;  // stops when fewer than two places remain
        if (c == '{' || c == '}' || c == '\\') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::string BuildLineDocument(std::string_view colorTable, std::string_view colorCode, bool paragraph, std::string_view escaped) {
    std::string document = "{";
    document += colorTable;
    document += colorCode;
    document += paragraph ? "\\par " : "";
    document += " ";
    document += escaped;
    document += "}";
    if (document.size() > kMaxLineDocument) {
        document = CutText(document, kMaxLineDocument - 1) + "}";
    }
    return document;
}

std::string MarkUrlsInRtf(std::string document, int urlColorIndex) {
    const std::string open = Format(64, "{\\ul \\b \\cf%d", urlColorIndex);
    const std::string close = "\\b0\\ulnone }";
    std::size_t pos = 0;
    while (pos < document.size()) {
        while (pos < document.size() && document[pos] == ' ') ++pos;
        std::size_t end = document.find(' ', pos);
        if (end == std::string::npos) end = document.size();
        std::size_t length = end - pos;
        if (length >= 2048) break;
        if (length == 0) break;
        std::string word = document.substr(pos, length);
        if (IsChatUrl(word, 2048) && document.size() + open.size() + close.size() <= kMaxLineDocument) {
            document.insert(end, close);
            document.insert(pos, open);
            end += open.size() + close.size();
        }
        pos = end;
    }
    return document;
}

std::vector<ChatLink> FindChatLinks(const QString& plain) {
    std::vector<ChatLink> links;
    int pos = 0;
    while (pos < plain.size()) {
        while (pos < plain.size() && plain[pos] == QLatin1Char(' ')) ++pos;
        int end = plain.indexOf(QLatin1Char(' '), pos);
        if (end < 0) end = static_cast<int>(plain.size());
        QString raw = plain.mid(pos, std::min(end - pos, 127));
        // The paragraph break in front of a line is not part of its first word.
        int lead = 0;
        while (lead < raw.size() && raw[lead] == QLatin1Char('\n')) ++lead;
        std::string word = raw.mid(lead).toStdString();
        std::string test = word;
        if (!word.empty() && IsChatUrl(test, 127)) links.push_back({pos + lead, static_cast<int>(raw.size()) - lead, word});
        pos = end;
    }
    return links;
}

void AppendChatLine(ChatView& view, const ColorScheme& scheme, std::string_view item, std::string line, ChatLineOptions options) {
    line = CutText(line, kMaxChatLine);
    bool paragraph = view.TextLength() > 1;
    if (options.swearFilter) FilterSwearWords(line);
    std::string document = BuildLineDocument(scheme.ColorTable(), scheme.SchemeColorCode(item), paragraph, EscapeChatText(line));
    int length = view.TextLength();
    int documentLength = static_cast<int>(document.size());
    int drop = length + documentLength >= view.TextLimit() ? length - view.TextLimit() + documentLength : 0;
    if (options.markAddresses) document = MarkUrlsInRtf(std::move(document), scheme.SchemeColorIndex("URL"));
    ChatViewLine shown;
    shown.plain = QString::fromStdString(ParseRtfLine(document).PlainText());
    if (options.markAddresses && shown.plain.size() < 2048) shown.links = FindChatLinks(shown.plain);
    shown.rtf = std::move(document);
    view.Append(std::move(shown), drop);
}

void ClearChatControl(ChatView& view) {
    view.Clear();
}

}  // namespace tandril::chat
