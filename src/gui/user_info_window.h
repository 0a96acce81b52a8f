#pragma once
// The skin of the information windows: one top-level dialog "Informations sur l'Utilisateur" per
// answer of the server, centred over the main window, drawing the window's lines (tab stops every
// two inches) and closed with "&Fermer".

#include <QDialog>
#include <QObject>
#include <map>

#include "chat/chat_view.h"

namespace tandril {
class Client;
}

namespace tandril::gui {

class ChatViewWidget;

class UserInfoDialog : public QDialog {
    Q_OBJECT
public:
    UserInfoDialog(Client& client, int id, QWidget* parent);
    ChatViewWidget* View() const { return view_; }

private:
    // Drawn when the record is gone already (never expected): an empty view.
    chat::ChatView none_;
    ChatViewWidget* view_;
};

// Opens a dialog for every window the core opens, and closes it when the core lets it go.
class UserInfoDialogs : public QObject {
    Q_OBJECT
public:
    UserInfoDialogs(Client& client, QWidget* owner);
    UserInfoDialog* Dialog(int id) const;

private:
    Client& client_;
    QWidget* owner_;
    std::map<int, UserInfoDialog*> dialogs_;
};

}  // namespace tandril::gui
