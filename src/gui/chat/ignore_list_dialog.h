#pragma once
// "Liste des Utilisateurs à Ignorer": the server's ignore list in one column "User Name", with
// "&Ajouter", "&Effacer" (the selected users), "&Vider" and "&Fermer". Modal, centred over the
// main window; its rows are the core's and follow the server's answers.

#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <string>

namespace tandril {
class Client;
}

namespace tandril::gui {

class MainWindow;

class IgnoreListDialog : public QDialog {
    Q_OBJECT
public:
    IgnoreListDialog(Client& client, std::function<std::string()> selectedUser, QWidget* parent);
    ~IgnoreListDialog() override;
    QTreeWidget* List() const { return list_; }

private:
    void ShowRows();

    Client& client_;
    QTreeWidget* list_;
};

// The main menu's "&Voir la liste des Ignorés": the dialog, after the request for the list
// (nothing but a notice without a connection).
void ShowIgnoreList(MainWindow& main);

}  // namespace tandril::gui
