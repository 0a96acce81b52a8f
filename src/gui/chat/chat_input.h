#pragma once
// A chat window's input line: at most 199 characters, Enter hands the line over, the up and down
// arrows browse the window's history, the right button offers cut, copy and paste.

#include <QLineEdit>
#include <optional>
#include <string>

#include "chat/input_history.h"

namespace tandril::gui {

class ChatInput : public QLineEdit {
    Q_OBJECT
public:
    ChatInput(chat::InputHistory& history, QWidget* parent = nullptr);

Q_SIGNALS:
    void lineEntered(const QString& line);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Show(const std::optional<std::string>& entry);

    chat::InputHistory& history_;
};

}  // namespace tandril::gui
