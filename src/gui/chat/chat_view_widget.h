#pragma once
// Draws a chat view: each line's RTF subset into rich text, marked addresses as links that open
// in the desktop's browser, the oldest text dropped at the view's limit, and the view following
// new lines only while the user is reading the newest ones.

#include <QTextBrowser>
#include <functional>

#include "chat/chat_view.h"
#include "chat/color_scheme.h"

namespace tandril::gui {

class ChatViewWidget : public QTextBrowser {
    Q_OBJECT
public:
    ChatViewWidget(const chat::ChatView& view, std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);
    void ApplyScheme(const chat::ColorScheme& scheme);
    // One-line views (topic, user count) show their last line without scroll bars.
    void SetSingleLine(bool single);

private:
    void OnLineAppended(int drop);
    void Redraw();
    void DrawLine(const chat::ChatViewLine& line);
    void DropFromStart(int characters);

    const chat::ChatView& view_;
    std::function<void(const QUrl&)> openUrl_;
};

}  // namespace tandril::gui
