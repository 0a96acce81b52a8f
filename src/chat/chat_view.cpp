#include "chat/chat_view.h"

#include <algorithm>

namespace tandril::chat {

void ChatView::Append(ChatViewLine line, int drop) {
    drop = std::clamp(drop, 0, length_);
    const int dropped = drop;
    length_ -= drop;
    while (drop > 0 && !lines_.empty()) {
        int left = static_cast<int>(lines_.front().plain.size()) - headTrim_;
        if (drop < left) {
            headTrim_ += drop;
            break;
        }
        drop -= left;
        headTrim_ = 0;
        lines_.pop_front();
    }
    length_ += static_cast<int>(line.plain.size());
    lines_.push_back(std::move(line));
    Q_EMIT lineAppended(dropped);
}

void ChatView::Clear() {
    lines_.clear();
    length_ = 0;
    headTrim_ = 0;
    Q_EMIT cleared();
}

QString ChatView::PlainText() const {
    QString text;
    for (const auto& line : lines_) text += line.plain;
    return text.mid(headTrim_);
}

}  // namespace tandril::chat
