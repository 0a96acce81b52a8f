// Where the program's dialogs appear, what they show whole, and what they leave on screen.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <future>

#include "gui/connecting_dialog.h"
#include "gui/library/rename_dialog.h"
#include "gui/notification_box.h"
#include "gui/qt_ui_port.h"
#include "gui/registration_pages.h"
#include "support/test_window.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::Window;

namespace {

int Distance(const QRect& a, const QRect& b) {
    return (a.center() - b.center()).manhattanLength();
}

// The real UI port on the test window; questions asked from a worker are answered by `answer`,
// which runs on the GUI thread inside the dialogs' own event loops.
struct Port {
    explicit Port(Window& w) : w(w) {
        port.SetMainWindow(&w.window, [&w] { return w.client.state.mainWindowVisible && !w.client.state.mainWindowMinimised; });
        QObject::connect(&poll, &QTimer::timeout, [this] { answer(); });
        poll.start(5);
    }
    // Runs `work` on a worker while the GUI thread goes on.
    bool Run(const std::function<void()>& work) {
        auto done = std::async(std::launch::async, work);
        return RunUntil([&] { return done.wait_for(0s) == std::future_status::ready; }, 10s);
    }

    Window& w;
    gui::QtUiPort port;
    QTimer poll;
    std::function<void()> answer = [] {};
};

template <typename T>
T* Shown(QWidget& root) {
    for (T* widget : root.findChildren<T*>()) {
        if (widget->isVisible()) return widget;
    }
    return nullptr;
}

}  // namespace

TEST(DialogPlacement, TheConnectingDialogIsCentredOnTheMainWindow) {
    Window w;
    w.window.setGeometry(60, 40, 900, 600);
    QCoreApplication::processEvents();
    gui::ConnectingDialog dialog(w.client, &w.window);
    w.client.dialog.MarkOpen();
    QCoreApplication::processEvents();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_LE(Distance(dialog.frameGeometry(), w.window.frameGeometry()), 2)
        << dialog.frameGeometry().center().x() << "," << dialog.frameGeometry().center().y();
}

TEST(DialogPlacement, AWizardAlertSitsOverItsPageWhichStaysOnScreen) {
    Window w;
    Port p(w);
    WizardData data;
    bool pageShownUnderAlert = false, ownedByPage = false, centred = false, waitWindowGone = false;
    p.answer = [&] {
        if (auto* box = Shown<gui::NotificationBox>(w.window)) {
            auto* page = Shown<gui::WizardPageDialog>(w.window);
            pageShownUnderAlert = page != nullptr;
            ownedByPage = page && box->parentWidget() == page;
            centred = page && Distance(box->frameGeometry(), page->frameGeometry()) <= 2;
            waitWindowGone = Shown<gui::WaitWindow>(w.window) == nullptr;
            box->accept();
        } else if (auto* page = Shown<gui::WizardPageDialog>(w.window); page && page->isEnabled()) {
            for (QPushButton* b : page->findChildren<QPushButton*>()) {
                if (b->text() == QStringLiteral("&Suivant >")) b->click();
            }
        }
    };
    ASSERT_TRUE(p.Run([&] {
        EXPECT_EQ(p.port.ShowWizardPage(WizardPage::Account, data), WizardButton::Next);
        // The check talks to the server under the wait window, then refuses the page.
        p.port.ShowWaitWindow("Verifying Password...");
        p.port.ShowWaitWindow("");
        p.port.ShowAlert(AlertKind::Modal, "Error: Invalid Password!");
    }));
    EXPECT_TRUE(pageShownUnderAlert);
    EXPECT_TRUE(ownedByPage);
    EXPECT_TRUE(centred);
    EXPECT_TRUE(waitWindowGone);
    // The next page takes the last one's place; once the pages are done, the last one goes.
    ASSERT_TRUE(p.Run([&] { EXPECT_EQ(p.port.ShowWizardPage(WizardPage::Account, data), WizardButton::Next); }));
    EXPECT_EQ(w.window.findChildren<gui::WizardPageDialog*>().size(), 1);
    p.port.CloseWizardPage();
    EXPECT_EQ(Shown<gui::WizardPageDialog>(w.window), nullptr);
    // Without a page on screen an alert belongs to the main window again.
    gui::NotificationBox* box = nullptr;
    p.answer = [&] {
        if ((box = Shown<gui::NotificationBox>(w.window))) {
            EXPECT_EQ(box->parentWidget(), &w.window);
            box->accept();
        }
    };
    ASSERT_TRUE(p.Run([&] { p.port.ShowAlert(AlertKind::Modal, "You must first connect to the server!"); }));
}

TEST(DialogPlacement, AShortNoticeKeepsItsCaptionWhole) {
    Window w;
    Port p(w);
    const QString caption = QStringLiteral("Add Selected User to Hot List");
    int width = 0, needed = 0;
    p.answer = [&] {
        if (auto* box = Shown<QMessageBox>(w.window)) {
            width = box->width();
            needed = box->fontMetrics().horizontalAdvance(caption);
            box->accept();
        }
    };
    ASSERT_TRUE(p.Run([&] { p.port.Ask({"Added 1 User to your list.", caption.toStdString(), Buttons::Ok, Icon::Information}); }));
    ASSERT_GT(needed, 0);
    EXPECT_GE(width, needed + 100);  // the caption and the caption bar's icon and buttons
}

TEST(DialogPlacement, TheRenameFieldShowsTheWholeName) {
    Window w;
    const QString names[] = {QStringLiteral("a"),
                             QStringLiteral("Nova Drift - Harbour Lights (live at the Pier, 2026 remaster, second night)")};
    for (const QString& name : names) {
        auto dialog = gui::MakeRenameDialog(name, &w.window);
        dialog->show();
        QCoreApplication::processEvents();
        auto* field = dialog->findChild<QLineEdit*>();
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text(), name);
        EXPECT_GE(field->width(), field->fontMetrics().horizontalAdvance(name) + 8) << name.toStdString();
        EXPECT_GE(field->width(), 260);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Rename file?"));
        EXPECT_EQ(dialog->labelText(), QStringLiteral("New file name:"));
    }
}
