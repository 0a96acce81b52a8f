#pragma once
// "Paramètres du Proxy": the proxy type, server, port, user and password, and whether transfers
// go through the proxy. "&OK" keeps the dialog open until the settings are acceptable.

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace tandril {
class Client;
}

namespace tandril::gui {

class ProxyDialog : public QDialog {
    Q_OBJECT
public:
    ProxyDialog(Client& client, QWidget* owner);
    QComboBox* Type() const { return type_; }
    QLineEdit* Server() const { return server_; }
    QLineEdit* Port() const { return port_; }
    QLineEdit* User() const { return user_; }
    QLineEdit* Password() const { return password_; }
    QComboBox* Transfers() const { return transfers_; }
    void TryAccept();

private:
    Client& client_;
    QComboBox* type_;
    QLineEdit* server_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QComboBox* transfers_;
};

}  // namespace tandril::gui
