#pragma once
// Dialogs the server link asks through the UI port.

#include <QDialog>

#include "base/ui_port.h"

class QComboBox;
class QLineEdit;

namespace tandril::gui {

// "Mot de Passe Invalide!": user name and password, "&OK", "&Annuler", "Nouvel &Utilisateur".
class InvalidPasswordDialog : public QDialog {
    Q_OBJECT
public:
    InvalidPasswordDialog(const QString& user, const QString& password, QWidget* owner);
    UiPort::Credentials Ask();
    QLineEdit* User() const { return user_; }
    QLineEdit* Password() const { return password_; }

private:
    QLineEdit* user_;
    QLineEdit* password_;
    UiPort::Credentials::Button chosen_ = UiPort::Credentials::Cancel;
};

// "Conflit avec le Firewall!": accepted when the user says the computer is not firewalled.
class BothFirewalledDialog : public QDialog {
    Q_OBJECT
public:
    // A user met (message 1200), or a download that cannot be made.
    enum Case { User, Download };
    BothFirewalledDialog(const QString& field, QWidget* owner, Case why = User);
};

// "Fichier Existant!": overwrite the file, save under another name, or cancel the download.
class ExistingFileDialog : public QDialog {
    Q_OBJECT
public:
    ExistingFileDialog(const QString& baseName, QWidget* owner);
    UiPort::ExistingFile Ask();

private:
    QComboBox* choice_;
    QLineEdit* name_;
};

// "Le Transfert à échoué !": what becomes of a download that ended short.
class PartialTransferDialog : public QDialog {
    Q_OBJECT
public:
    PartialTransferDialog(const QString& baseName, QWidget* owner);
    // True keeps the file (moved to "Incomplete"); false only for "Delete this file" and "&OK".
    bool Ask();

private:
    QComboBox* choice_;
};

}  // namespace tandril::gui
