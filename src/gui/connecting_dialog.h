#pragma once
// "Statut Utilisateur": the progress dialog drawn from its view model.

#include <QDialog>

namespace tandril {
class Client;
}

class QLabel;
class QProgressBar;
class QPushButton;

namespace tandril::gui {

class ConnectingDialog : public QDialog {
    Q_OBJECT
public:
    ConnectingDialog(Client& client, QWidget* mainWindow);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Client& client_;
    QWidget* mainWindow_;
    QLabel* status_;
    QLabel* secondLine_;
    QProgressBar* progress_;
    QPushButton* button_;
};

}  // namespace tandril::gui
