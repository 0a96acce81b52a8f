#pragma once
// "Salle de discussion Privée": one partner's instant-message window, titled "(%s) Instant
// Message": the conversation, the input line (Enter sends, the arrows browse this window's
// history) and the buttons for the hot list, ignoring and the partner's information. A top-level
// window of its own; it closes through the core, which then drops its record.

#include <QDialog>
#include <QPushButton>
#include <functional>

#include "chat/instant_messages.h"

namespace tandril {
class Client;
}

namespace tandril::gui {

class ChatInput;
class ChatViewWidget;

class InstantMessageDialog : public QDialog {
    Q_OBJECT
public:
    InstantMessageDialog(Client& client, chat::InstantMessageWindow& window, std::function<void(const QUrl&)> openUrl,
                         std::function<void()> showHotList, QWidget* parent = nullptr);

    QPushButton* HotListButton() const { return hotList_; }
    QPushButton* IgnoreButton() const { return ignore_; }
    ChatInput* Input() const { return input_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void ApplyScheme();

    Client& client_;
    chat::InstantMessageWindow& window_;
    ChatViewWidget* view_;
    ChatInput* input_;
    QPushButton* hotList_;
    QPushButton* ignore_;
    QPushButton* info_;
};

}  // namespace tandril::gui
