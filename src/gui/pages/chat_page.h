#pragma once
#include <QWidget>

namespace tandril {
class Client;
}

namespace tandril::gui {

// The page behind the tab &Chat; its part of the client fills it in.
class ChatPage : public QWidget {
    Q_OBJECT
public:
    ChatPage(Client& client, QWidget* parent = nullptr);

private:
    Client& client_;
};

}  // namespace tandril::gui
