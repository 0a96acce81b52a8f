#include "gui/chat/instant_message_windows.h"

#include <QInputDialog>
#include <QScreen>
#include <QStyle>

#include "app/client.h"
#include "gui/chat/instant_message_dialog.h"
#include "gui/main_window.h"
#include "gui/selected_user_name.h"
#include "session/instant_messages.h"

namespace tandril::gui {

InstantMessageWindows::InstantMessageWindows(MainWindow& main) : QObject(&main), main_(main) {
    chat::InstantMessages& core = main.client().instantMessages;
    connect(&core, &chat::InstantMessages::windowOpened, this, &InstantMessageWindows::Opened);
    connect(&core, &chat::InstantMessages::windowRaised, this, [this](chat::InstantMessageWindow* window) {
        if (InstantMessageDialog* dialog = DialogFor(window)) {
            dialog->showNormal();
            dialog->raise();
            dialog->activateWindow();
        }
    });
    connect(&core, &chat::InstantMessages::windowClosing, this, [this](chat::InstantMessageWindow* window) {
        auto it = dialogs_.find(window);
        if (it == dialogs_.end()) return;
        // Deleted later: the click that closed it may still be on the dialog's stack.
        if (it->second) {
            it->second->hide();
            it->second->deleteLater();
        }
        dialogs_.erase(it);
    });
}

InstantMessageWindows::~InstantMessageWindows() {
    for (auto& [window, dialog] : dialogs_) delete dialog.data();
}

InstantMessageDialog* InstantMessageWindows::DialogFor(const chat::InstantMessageWindow* window) const {
    auto it = dialogs_.find(window);
    return it == dialogs_.end() ? nullptr : it->second.data();
}

void InstantMessageWindows::Opened(chat::InstantMessageWindow* window) {
    MainWindow& main = main_;
    // Top-level, without a parent: the window stays when the main window changes page or hides.
    auto* dialog = new InstantMessageDialog(main.client(), *window, main.options().openUrl,
                                            [&main] { main.ShowPage(MainViewModel::HotListPage, true); });
    dialog->setWindowIcon(main.windowIcon());
    Place(*dialog);
    dialogs_[window] = dialog;
    dialog->show();
}

void InstantMessageWindows::Place(InstantMessageDialog& dialog) {
    InstantMessageDialog* first = nullptr;
    for (auto& [window, d] : dialogs_) {
        if (d) {
            first = d.data();
            break;
        }
    }
    QScreen* screen = main_.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QRect frame(QPoint(0, 0), dialog.size());
    if (first) {
        const int step = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
        frame.moveTopLeft(first->geometry().topLeft() + QPoint(step, step));
        if (!area.contains(frame)) frame.moveCenter(main_.geometry().center());
    } else {
        frame.moveCenter(area.center());
    }
    dialog.move(frame.topLeft());
}

void PromptInstantMessage(MainWindow& main) {
    bool ok = false;
    QString name = QInputDialog::getText(&main, QStringLiteral("Instant message a User"), QStringLiteral("User to message:"),
                                         QLineEdit::Normal, QString::fromStdString(SelectedUserName(main)), &ok);
    name = name.left(static_cast<int>(chat::kMaxPeerName)).trimmed();
    if (!ok || name.isEmpty()) return;
    session::OpenInstantMessage(main.client().session, name.toStdString());
}

}  // namespace tandril::gui
