#pragma once
// "Invitation à une Discussion!": who invites to which channel, with its topic, and the buttons
// "&Accepter", "&Refuser" and (when the inviter can be ignored) "&Ignorer l'Utilisateur".

#include <QMessageBox>
#include <QPushButton>
#include <string>

namespace tandril::gui {

class InvitationBox : public QMessageBox {
    Q_OBJECT
public:
    InvitationBox(const std::string& inviter, const std::string& channel, const std::string& topic, bool canIgnore, QWidget* parent)
        : QMessageBox(QMessageBox::Question, QStringLiteral("Invitation à une Discussion!"),
                      QStringLiteral("User %1 has invited you to a chat room!").arg(QString::fromStdString(inviter)), QMessageBox::NoButton,
                      parent) {
        setInformativeText(QStringLiteral("%1\n%2").arg(QString::fromStdString(channel), QString::fromStdString(topic)));
        accept_ = addButton(QStringLiteral("&Accepter"), QMessageBox::AcceptRole);
        addButton(QStringLiteral("&Refuser"), QMessageBox::RejectRole);
        if (canIgnore) ignore_ = addButton(QStringLiteral("&Ignorer l'Utilisateur"), QMessageBox::DestructiveRole);
    }
    QPushButton* AcceptButton() const { return accept_; }
    QPushButton* IgnoreButton() const { return ignore_; }

private:
    QPushButton* accept_ = nullptr;
    QPushButton* ignore_ = nullptr;
};

}  // namespace tandril::gui
