// The instant-message windows and the ignore-list dialog as real widgets: a window per partner
// with the right title and buttons, typing into it, its buttons closing it, and the ignore list's
// rows drawn from the core.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "gui/chat/chat_input.h"
#include "gui/chat/ignore_list_dialog.h"
#include "gui/chat/instant_message_dialog.h"
#include "session/ignore_list.h"
#include "session/instant_messages.h"
#include "support/test_window.h"

using namespace tandril;

namespace {

std::vector<gui::InstantMessageDialog*> ImDialogs() {
    std::vector<gui::InstantMessageDialog*> found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<gui::InstantMessageDialog*>(top); d && d->isVisible()) found.push_back(d);
    }
    return found;
}

}  // namespace

TEST(PeopleWindows, InstantMessageWindowPerPartner) {
    test::Window w;
    session::OpenInstantMessage(w.client.session, "kim");
    QCoreApplication::processEvents();
    ASSERT_EQ(ImDialogs().size(), 1u);
    gui::InstantMessageDialog* kim = ImDialogs().front();
    EXPECT_EQ(kim->windowTitle(), QStringLiteral("(kim) Instant Message"));
    EXPECT_EQ(kim->IgnoreButton()->text(), QStringLiteral("&Ignore User"));
    EXPECT_TRUE(kim->HotListButton()->isEnabled());
    EXPECT_GE(kim->minimumWidth(), 450);

    // Asking again brings the same window; another partner gets another, placed apart.
    session::OpenInstantMessage(w.client.session, "KIM");
    session::OpenInstantMessage(w.client.session, "ray");
    QCoreApplication::processEvents();
    ASSERT_EQ(ImDialogs().size(), 2u);

    // Enter shows the line as the user's own (offline, nothing goes out) and remembers it.
    QTest::keyClicks(kim->Input(), "hello kim");
    QTest::keyClick(kim->Input(), Qt::Key_Return);
    chat::InstantMessageWindow* record = w.client.instantMessages.Find("kim");
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->display.Lines().size(), 1u);
    EXPECT_EQ(record->display.Lines().back().plain.trimmed(), QStringLiteral("<lea> hello kim"));
    EXPECT_TRUE(kim->Input()->text().isEmpty());
    QTest::keyClick(kim->Input(), Qt::Key_Up);
    EXPECT_EQ(kim->Input()->text(), QStringLiteral("hello kim"));

    // The ignore button ignores and closes; the next window offers the opposite.
    kim->IgnoreButton()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.client.instantMessages.Find("kim"), nullptr);
    EXPECT_TRUE(session::IsIgnored(w.client.session, "kim"));
    session::OpenInstantMessage(w.client.session, "kim");
    QCoreApplication::processEvents();
    gui::InstantMessageDialog* again = nullptr;
    for (auto* d : ImDialogs()) {
        if (d->windowTitle().contains(QStringLiteral("kim"))) again = d;
    }
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->IgnoreButton()->text(), QStringLiteral("&Unignore User"));

    // Closing the window drops its record.
    again->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.client.instantMessages.Find("kim"), nullptr);
    EXPECT_EQ(ImDialogs().size(), 1u);
}

TEST(PeopleWindows, IgnoreListDialogDrawsTheRows) {
    test::Window w;
    w.client.ignoreList.OpenDialog();
    gui::IgnoreListDialog dialog(w.client, {}, &w.window);
    ASSERT_EQ(dialog.List()->topLevelItemCount(), 1);
    EXPECT_EQ(dialog.List()->topLevelItem(0)->text(0), QStringLiteral("Populating list..."));
    EXPECT_EQ(dialog.List()->headerItem()->text(0), QStringLiteral("User Name"));
    w.client.ignoreList.AddRow("troll");
    w.client.ignoreList.AddRow("spammer");
    ASSERT_EQ(dialog.List()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.List()->topLevelItem(1)->text(0), QStringLiteral("spammer"));
}

TEST(PeopleWindows, MenuEntries) {
    test::Window w;
    ASSERT_NE(w.Action(QStringLiteral("&Envoyer un Message Personnel")), nullptr);
    EXPECT_TRUE(w.Action(QStringLiteral("&Envoyer un Message Personnel"))->isEnabled());
    // Offline the ignore list is a notice, not a dialog.
    w.Action(QStringLiteral("&Voir la liste des Ignorés"))->trigger();
    EXPECT_EQ(w.ui.Texts("alert"), std::vector<std::string>{"You must first connect to the server!"});
    EXPECT_FALSE(w.client.ignoreList.DialogOpen());
}
