#pragma once
// The registration wizard's pages and the dialogs around it, drawn for the UI port.

#include <QDialog>
#include <functional>

#include "base/ui_port.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace tandril::gui {

// One wizard page: its content above the buttons "< &Précédent", "&Suivant >" (or "&Terminer"),
// "&Annuler" and "A&IDE!". Exec returns the button.
class WizardPageDialog : public QDialog {
    Q_OBJECT
public:
    // `openProxySettings` serves the connection page's "Configurer Proxy..." button.
    WizardPageDialog(WizardPage page, WizardData& data, std::function<void()> openProxySettings, QWidget* owner);
    WizardButton Ask();

private:
    void BuildConnection();
    void BuildAccount();
    void BuildOptionalInfo();
    void BuildSharedFolders();
    void BuildDownloadFolder();

    WizardPage page_;
    WizardData& data_;
    std::function<void()> openProxySettings_;
    std::function<void()> store_;  // copies the fields into the data on "Suivant"
    WizardButton chosen_ = WizardButton::Cancel;
    QWidget* content_;
};

// The wizard's wait window: one line of text while a check talks to the server.
class WaitWindow : public QDialog {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget* owner);
    void SetText(const QString& text);

private:
    QLabel* text_;
};

// "Paramètres Serveur de vos fichiers": a port for a reachable computer, or 0 for a firewalled one.
class DataPortDialog : public QDialog {
    Q_OBJECT
public:
    explicit DataPortDialog(QWidget* owner);
    int Port() const;

private:
    QRadioButton* open_;
    QLineEdit* port_;
};

// "Problème d'enregistrement": accepted for "&Recommencer".
class RegistrationProblemDialog : public QDialog {
    Q_OBJECT
public:
    explicit RegistrationProblemDialog(QWidget* owner);
};

}  // namespace tandril::gui
