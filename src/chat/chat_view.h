#pragma once
// What a chat view holds: the lines appended to it, each as the RTF document it was drawn from,
// within the view's text limit. The skin draws these; tests read them.

#include <QObject>
#include <QString>
#include <deque>
#include <string>
#include <vector>

namespace tandril::chat {

// A rich-edit view's default text limit.
inline constexpr int kDefaultTextLimit = 32767;

struct ChatLink {
    int start = 0;  // in the line's plain text
    int length = 0;
    std::string text;  // the word as shown; opened after IsChatUrl
};

struct ChatViewLine {
    std::string rtf;
    QString plain;  // what the line shows, a paragraph break as "\n"
    std::vector<ChatLink> links;
};

class ChatView : public QObject {
    Q_OBJECT
public:
    explicit ChatView(int textLimit = kDefaultTextLimit) : textLimit_(textLimit) {}

    int TextLength() const { return length_; }
    int TextLimit() const { return textLimit_; }
    // Drops `drop` characters from the start, then appends the line. GUI thread only.
    void Append(ChatViewLine line, int drop);
    void Clear();

    const std::deque<ChatViewLine>& Lines() const { return lines_; }
    // Characters of the first line already dropped by the text limit.
    int HeadTrim() const { return headTrim_; }
    QString PlainText() const;

Q_SIGNALS:
    // `drop` characters left the start of the view, then Lines().back() was added.
    void lineAppended(int drop);
    void cleared();

private:
    int textLimit_;
    int length_ = 0;
    int headTrim_ = 0;
    std::deque<ChatViewLine> lines_;
};

}  // namespace tandril::chat
