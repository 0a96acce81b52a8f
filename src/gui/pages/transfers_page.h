#pragma once
#include <QWidget>

namespace tandril {
class Client;
}

namespace tandril::gui {

// The page behind the tab &Transfert; its part of the client fills it in.
class TransfersPage : public QWidget {
    Q_OBJECT
public:
    TransfersPage(Client& client, QWidget* parent = nullptr);

private:
    Client& client_;
};

}  // namespace tandril::gui
