#include "gui/qt_ui_port.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

namespace tandril::gui {

namespace {

QMessageBox::Icon ToQt(Icon icon) {
    switch (icon) {
        case Icon::Information: return QMessageBox::Information;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Exclamation: return QMessageBox::Warning;
        case Icon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

constexpr int kMaxAlertText = 511;

}  // namespace

template <typename F>
auto QtUiPort::OnGuiThread(F&& f) -> decltype(f()) {
    if (QThread::currentThread() == thread()) return f();
    decltype(f()) result{};
    QMetaObject::invokeMethod(this, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
}

void QtUiPort::ShowAlert(AlertKind kind, const std::string& text) {
    if (shuttingDown_) return;
    QString shown = QString::fromStdString(text).left(kMaxAlertText);
    // Modal only while the main window is on screen; a hidden or minimised window gets a notice
    // that shows without blocking, so that nobody waits on a box they cannot see.
    OnGuiThread([&] {
        bool windowShown = mainWindow_ && mainWindow_->isVisible() && !mainWindow_->isMinimized();
        auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Tandril Notification"), shown, QMessageBox::Ok,
                                    windowShown ? mainWindow_.data() : nullptr);
        box->setAttribute(Qt::WA_DeleteOnClose);
        if (kind == AlertKind::Modal && windowShown) {
            box->exec();
        } else {
            box->setModal(false);
            box->show();
            box->raise();
        }
        return 0;
    });
}

Answer QtUiPort::Ask(const Question& q) {
    if (shuttingDown_) return q.buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    return OnGuiThread([&] {
        QMessageBox box(ToQt(q.icon), QString::fromStdString(q.caption), QString::fromStdString(q.text), QMessageBox::NoButton,
                        mainWindow_.data());
        switch (q.buttons) {
            case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
            case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
            case Buttons::YesNoCancel: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
        }
        switch (box.exec()) {
            case QMessageBox::Yes: return Answer::Yes;
            case QMessageBox::No: return Answer::No;
            case QMessageBox::Ok: return Answer::Ok;
            default: return q.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
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
