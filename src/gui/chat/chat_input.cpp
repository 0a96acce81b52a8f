#include "gui/chat/chat_input.h"

#include <QKeyEvent>

namespace tandril::gui {

ChatInput::ChatInput(chat::ChannelWindow& window, QWidget* parent) : QLineEdit(parent), window_(window) {
    setMaxLength(static_cast<int>(chat::kMaxInputLine));
    connect(this, &QLineEdit::returnPressed, this, [this] {
        QString line = text();
        clear();
        window_.RememberTyped(line.toStdString());
        Q_EMIT lineEntered(line);
    });
}

void ChatInput::Show(const std::optional<std::string>& entry) {
    if (!entry) return;
    setText(QString::fromStdString(*entry));
    end(false);
}

void ChatInput::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        Show(window_.BrowseOlder());
    } else if (event->key() == Qt::Key_Down) {
        Show(window_.BrowseNewer());
    } else {
        QLineEdit::keyPressEvent(event);
    }
}

}  // namespace tandril::gui
