#include "gui/server_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_state.h"

namespace tandril::gui {

InvalidPasswordDialog::InvalidPasswordDialog(const QString& user, const QString& password, QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Mot de Passe Invalide!"));
    setObjectName(QStringLiteral("InvalidPasswordDialog"));
    user_ = new QLineEdit(user, this);
    user_->setMaxLength(static_cast<int>(kMaxUserName));
    password_ = new QLineEdit(password, this);
    password_->setMaxLength(static_cast<int>(kMaxPassword));
    password_->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("User Name:"), user_);
    form->addRow(QStringLiteral("Password:"), password_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Annuler"), QDialogButtonBox::RejectRole);
    QPushButton* newUser = buttons->addButton(QStringLiteral("Nouvel &Utilisateur"), QDialogButtonBox::ActionRole);
    connect(ok, &QPushButton::clicked, this, [this] {
        chosen_ = UiPort::Credentials::Ok;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        chosen_ = UiPort::Credentials::Cancel;
        reject();
    });
    connect(newUser, &QPushButton::clicked, this, [this] {
        chosen_ = UiPort::Credentials::NewUser;
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

UiPort::Credentials InvalidPasswordDialog::Ask() {
    chosen_ = UiPort::Credentials::Cancel;
    exec();
    return {chosen_, user_->text().trimmed().toStdString(), password_->text().toStdString()};
}

BothFirewalledDialog::BothFirewalledDialog(const QString& field, QWidget* owner, Case why) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Conflit avec le Firewall!"));
    setObjectName(QStringLiteral("BothFirewalledDialog"));
    auto* text = new QLabel(
        why == User
            ? QStringLiteral("You will be unable to download files from this user because you are both firewalled.  If you are not "
                             "firewalled or have NO IDEA what firewalled even means, just click the [I am not Firewalled!] button and "
                             "continue!")
            : QStringLiteral("You are unable to download this file because both you and the other user are firewalled.  If you are not "
                             "firewalled or have NO IDEA what firewalled even means, just click the [I am not Firewalled!] button and "
                             "try again!"),
        this);
    text->setWordWrap(true);
    auto* name = new QLineEdit(field, this);
    name->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::RejectRole);
    QPushButton* notFirewalled =
        buttons->addButton(QStringLiteral("&Je ne suis pas protégé par un Firewall!"), QDialogButtonBox::AcceptRole);
    connect(ok, &QPushButton::clicked, this, &QDialog::reject);
    connect(notFirewalled, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(name);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

ExistingFileDialog::ExistingFileDialog(const QString& baseName, QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Fichier Existant!"));
    setObjectName(QStringLiteral("ExistingFileDialog"));
    auto* text = new QLabel(QStringLiteral("Le fichier que vous avez sélectionné existe déjà sur votre disque dur. Choisissez une "
                                           "action à partir de la liste ci-dessous."),
                            this);
    text->setWordWrap(true);
    choice_ = new QComboBox(this);
    choice_->addItems({QStringLiteral("Overwrite Existing File"), QStringLiteral("Rename Remote File")});
    name_ = new QLineEdit(baseName, this);
    name_->setEnabled(false);
    connect(choice_, &QComboBox::currentIndexChanged, this, [this](int index) { name_->setEnabled(index == 1); });
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("&Annuler"), QDialogButtonBox::RejectRole);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(choice_);
    layout->addWidget(name_);
    layout->addWidget(buttons);
}

UiPort::ExistingFile ExistingFileDialog::Ask() {
    if (exec() != QDialog::Accepted) return {};
    if (choice_->currentIndex() == 0) return {UiPort::ExistingFile::Overwrite, {}};
    return {UiPort::ExistingFile::Rename, name_->text().toStdString()};
}

PartialTransferDialog::PartialTransferDialog(const QString& baseName, QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Le Transfert à échoué !"));
    setObjectName(QStringLiteral("PartialTransferDialog"));
    auto* text =
        new QLabel(QStringLiteral("Votre tentative pour transférer ce fichier à échouée. Que voulez-vous faire avec ce fichier?"), this);
    text->setWordWrap(true);
    auto* name = new QLineEdit(baseName, this);
    name->setReadOnly(true);
    choice_ = new QComboBox(this);
    choice_->addItems({QStringLiteral("Move this file to 'Incomplete' folder"), QStringLiteral("Delete this file")});
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(name);
    layout->addWidget(choice_);
    layout->addWidget(buttons);
}

bool PartialTransferDialog::Ask() {
    // Closed with its close box, the file is kept.
    return !(exec() == QDialog::Accepted && choice_->currentIndex() == 1);
}

}  // namespace tandril::gui
