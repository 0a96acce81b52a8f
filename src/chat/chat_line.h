#pragma once
// Drawing one line into a chat view: coloured by its display item, escaped, wrapped as a small
// RTF document, with web addresses marked.

#include <string>
#include <string_view>

#include "chat/chat_view.h"
#include "chat/color_scheme.h"

namespace tandril::chat {

inline constexpr std::size_t kMaxChatLine = 2047;
inline constexpr std::size_t kMaxLineDocument = 4095;

// A backslash before every "{", "}" and "\"; at most 4095 characters.
std::string EscapeChatText(std::string_view line);
// "{colortbl colour-code prefix text}", at most 4095 characters.
std::string BuildLineDocument(std::string_view colorTable, std::string_view colorCode, bool paragraph, std::string_view escaped);
// Wraps every address of the document in "{\ul \b \cf<url> " ... "\b0\ulnone }".
std::string MarkUrlsInRtf(std::string document, int urlColorIndex);
// The words of a shown text that are addresses, with where they stand.
std::vector<ChatLink> FindChatLinks(const QString& plain);

struct ChatLineOptions {
    bool markAddresses = false;
    bool swearFilter = false;
};
// Appends one formatted line (cut at 2047 characters) in the look of `item` (empty: default).
void AppendChatLine(ChatView& view, const ColorScheme& scheme, std::string_view item, std::string line, ChatLineOptions options);
// Empties the view.
void ClearChatControl(ChatView& view);

}  // namespace tandril::chat
