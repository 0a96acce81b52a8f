#include "gui/chat/chat_input.h"

#include <QKeyEvent>
#include <QMenu>

#include "chat/chat_windows.h"

namespace tandril::gui {

ChatInput::ChatInput(chat::InputHistory& history, QWidget* parent) : QLineEdit(parent), history_(history) {
    setMaxLength(static_cast<int>(chat::kMaxInputLine));
    connect(this, &QLineEdit::returnPressed, this, [this] {
        QString line = text();
        clear();
        history_.RememberTyped(line.toStdString());
        Q_EMIT lineEntered(line);
    });
    // The line's own menu, in the words of the rest of the program.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("&Couper"), this, &QLineEdit::cut);
        menu.addAction(QStringLiteral("Co&pier"), this, &QLineEdit::copy);
        menu.addAction(QStringLiteral("&Coller"), this, &QLineEdit::paste);
        menu.exec(mapToGlobal(at));
    });
}

void ChatInput::Show(const std::optional<std::string>& entry) {
    if (!entry) return;
    setText(QString::fromStdString(*entry));
    end(false);
}

void ChatInput::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        Show(history_.BrowseOlder());
    } else if (event->key() == Qt::Key_Down) {
        Show(history_.BrowseNewer());
    } else {
        QLineEdit::keyPressEvent(event);
    }
}

}  // namespace tandril::gui
