#include "gui/qt_ui_port.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QUrl>

#include "gui/invitation_box.h"
#include "gui/notification_box.h"
#include "gui/registration_pages.h"
#include "gui/server_dialogs.h"
#include "gui/window_placement.h"

namespace tandril::gui {

namespace {

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Exclamation:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

constexpr int kMaxAlertText = 511;

}  // namespace

// "Added 1 User to your list." under "Add Selected User to Hot List", for one. The room for the
// caption bar's icon and buttons is an estimate: the window manager draws them.
void KeepCaptionWhole(QMessageBox& box) {
    constexpr int kCaptionButtons = 140;
    const int wanted = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kCaptionButtons;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1, grid->columnCount());
    }
}

template <typename F>
auto QtUiPort::OnGuiThread(F&& f) -> decltype(f()) {
    if (QThread::currentThread() == thread()) return f();
    decltype(f()) result{};
    QMetaObject::invokeMethod(
        this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

void QtUiPort::SetMainWindow(QWidget* window, std::function<bool()> windowShown) {
    mainWindow_ = window;
    windowShown_ = std::move(windowShown);
}

QWidget* QtUiPort::Owner() const {
    if (wizardPage_ && wizardPage_->isVisible()) return wizardPage_.data();
    return mainWindow_.data();
}

void QtUiPort::CloseWizardPage() {
    delete wizardPage_.data();
}

void QtUiPort::ShowAlert(AlertKind kind, const std::string& text, Icon icon) {
    if (shuttingDown_) return;
    QString shown = QString::fromStdString(text).left(kMaxAlertText);
    // Modal only while the main window is on screen; otherwise (or for a modeless notice) the box
    // is shown without blocking anyone, so that nobody waits on a box they cannot see.
    bool modal = kind == AlertKind::Modal && windowShown_ && windowShown_();
    if (modal) {
        OnGuiThread([&] {
            NotificationBox box(shown, Owner(), icon);
            box.exec();
            return 0;
        });
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, shown, icon] {
            if (shuttingDown_) return;
            auto* box = new NotificationBox(shown, Owner(), icon);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false);
            box->show();
            box->raise();
        },
        Qt::QueuedConnection);
}

Answer QtUiPort::Ask(const Question& q) {
    if (shuttingDown_) return q.buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    return OnGuiThread([&] {
        QMessageBox box(ToQt(q.icon), QString::fromStdString(q.caption), QString::fromStdString(q.text), QMessageBox::NoButton, Owner());
        switch (q.buttons) {
            case Buttons::Ok:
                box.setStandardButtons(QMessageBox::Ok);
                break;
            case Buttons::OkCancel:
                box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
                break;
            case Buttons::YesNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                break;
            case Buttons::YesNoCancel:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
                break;
        }
        KeepCaptionWhole(box);
        switch (box.exec()) {
            case QMessageBox::Yes:
                return Answer::Yes;
            case QMessageBox::No:
                return Answer::No;
            case QMessageBox::Ok:
                return Answer::Ok;
            default:
                return q.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        }
    });
}

bool QtUiPort::AcceptTermsOfUse() {
    if (shuttingDown_) return false;
    return OnGuiThread([&] {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tandril"),
                        QStringLiteral("Terms of use\n\nYou share only files that you have the right to share, and you "
                                       "respect the other members of the community.\n\nDo you accept these terms?"),
                        QMessageBox::NoButton, mainWindow_.data());
        QPushButton* yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("&Non"), QMessageBox::RejectRole);
        box.exec();
        return box.clickedButton() == yes;
    });
}

void QtUiPort::ShowFatalError(const std::string& text) {
    OnGuiThread([&] {
        QMessageBox::critical(nullptr, QStringLiteral("Tandril"), QString::fromStdString(text));
        return 0;
    });
}

}  // namespace tandril::gui

namespace tandril::gui {

void QtUiPort::OpenUrl(const std::string& url) {
    QMetaObject::invokeMethod(
        this, [url = QString::fromStdString(url)] { QDesktopServices::openUrl(QUrl(url)); }, Qt::QueuedConnection);
}

UiPort::Credentials QtUiPort::AskInvalidPassword(const std::string& user, const std::string& password) {
    if (shuttingDown_) return {Credentials::Cancel, user, password};
    return OnGuiThread([&] {
        InvalidPasswordDialog dialog(QString::fromStdString(user), QString::fromStdString(password), mainWindow_.data());
        return dialog.Ask();
    });
}

bool QtUiPort::AskBothFirewalled(const std::string& user) {
    if (shuttingDown_) return false;
    return OnGuiThread([&] {
        BothFirewalledDialog dialog(QString::fromStdString(user), mainWindow_.data());
        return dialog.exec() == QDialog::Accepted;
    });
}

UiPort::ExistingFile QtUiPort::AskExistingFile(const std::string& baseName) {
    if (shuttingDown_) return {};
    return OnGuiThread([&] {
        ExistingFileDialog dialog(QString::fromStdString(baseName), mainWindow_.data());
        return dialog.Ask();
    });
}

bool QtUiPort::AskPartialTransfer(const std::string& baseName) {
    if (shuttingDown_) return true;
    return OnGuiThread([&] {
        PartialTransferDialog dialog(QString::fromStdString(baseName), mainWindow_.data());
        return dialog.Ask();
    });
}

std::optional<std::string> QtUiPort::AskText(const std::string& caption, const std::string& prompt, std::size_t maxLength) {
    if (shuttingDown_) return std::nullopt;
    return OnGuiThread([&]() -> std::optional<std::string> {
        QInputDialog dialog(mainWindow_.data());
        dialog.setWindowTitle(QString::fromStdString(caption));
        dialog.setLabelText(QString::fromStdString(prompt));
        if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(static_cast<int>(maxLength));
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.textValue().left(static_cast<int>(maxLength)).toStdString();
    });
}

UiPort::InvitationChoice QtUiPort::AskInvitation(const std::string& inviter, const std::string& channel, const std::string& topic,
                                                 bool canIgnore) {
    if (shuttingDown_) return InvitationChoice::Decline;
    return OnGuiThread([&] {
        InvitationBox box(inviter, channel, topic, canIgnore, mainWindow_.data());
        box.exec();
        if (box.clickedButton() == box.AcceptButton()) return InvitationChoice::Accept;
        if (box.IgnoreButton() && box.clickedButton() == box.IgnoreButton()) return InvitationChoice::IgnoreUser;
        return InvitationChoice::Decline;
    });
}

bool QtUiPort::AskBothFirewalledDownload(const std::string& remoteName) {
    if (shuttingDown_) return false;
    return OnGuiThread([&] {
        BothFirewalledDialog dialog(QString::fromStdString(remoteName), mainWindow_.data(), BothFirewalledDialog::Download);
        return dialog.exec() == QDialog::Accepted;
    });
}

WizardButton QtUiPort::ShowWizardPage(WizardPage page, WizardData& data) {
    if (shuttingDown_) return WizardButton::Cancel;
    return OnGuiThread([&] {
        auto* dialog = new WizardPageDialog(page, data, openProxySettings_, mainWindow_.data());
        if (wizardPage_) {
            dialog->move(wizardPage_->pos());  // the next page where the last one was
            CloseWizardPage();
        }
        WizardButton button = dialog->Ask();
        dialog->setEnabled(false);
        dialog->show();
        wizardPage_ = dialog;
        return button;
    });
}

void QtUiPort::ShowWaitWindow(const std::string& text) {
    QMetaObject::invokeMethod(
        this,
        [this, text = QString::fromStdString(text)] {
            if (text.isEmpty() || shuttingDown_) {
                // At once: an alert that follows runs its own event loop, in which a deferred
                // delete would wait, and the window would stay up under it.
                delete waitWindow_.data();
                return;
            }
            if (!waitWindow_) waitWindow_ = new WaitWindow(Owner());
            static_cast<WaitWindow*>(waitWindow_.data())->SetText(text);
            CentreOver(*waitWindow_, waitWindow_->parentWidget());
            waitWindow_->show();
        },
        Qt::QueuedConnection);
}

int QtUiPort::AskDataPortSettings() {
    if (shuttingDown_) return 0;
    return OnGuiThread([&] {
        DataPortDialog dialog(mainWindow_.data());
        dialog.exec();
        return dialog.Port();
    });
}

bool QtUiPort::AskRetryRegistration() {
    if (shuttingDown_) return false;
    return OnGuiThread([&] {
        RegistrationProblemDialog dialog(mainWindow_.data());
        return dialog.exec() == QDialog::Accepted;
    });
}

}  // namespace tandril::gui
