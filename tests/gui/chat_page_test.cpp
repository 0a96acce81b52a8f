#include "gui/pages/chat_page.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "base/settings.h"
#include "gui/chat/chat_input.h"
#include "gui/chat/chat_view_widget.h"
#include "gui/preferences/themes_page.h"
#include "support/test_profile.h"
#include "support/test_window.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::Window;

namespace {

gui::ChatPage& Page(Window& w) {
    return *static_cast<gui::ChatPage*>(w.window.Tabs()->widget(0));
}

}  // namespace

TEST(ChatPage, StartsWithThePersonalMessagesWindowOnly) {
    Window w;
    gui::ChatPage& page = Page(w);
    EXPECT_FALSE(page.Tabs()->isVisible());
    EXPECT_FALSE(page.LeaveButton()->isEnabled());
    EXPECT_EQ(page.RoomsButton()->text(), QStringLiteral("Salles de discussion"));
    EXPECT_EQ(page.LeaveButton()->text(), QStringLiteral("Quitter Salle"));
    EXPECT_EQ(page.PersonalPage()->Topic()->toPlainText().trimmed(), QStringLiteral("Private:   Personal Messages"));
    QTest::mouseClick(page.RoomsButton(), Qt::LeftButton);
    EXPECT_EQ(w.ui.Texts("alert"), std::vector<std::string>{"You must first connect to the server!"});
}

TEST(ChatPage, AnAddressInASystemLineIsALinkInTheUrlColour) {
    Window w;
    w.window.ShowPage(1, false);
    std::jthread([&] { w.client.chat.ShowSystemLine("the rules are at www.example.org today"); }).join();
    gui::ChatViewWidget* view = Page(w).PersonalPage()->View();
    ASSERT_TRUE(RunUntil([&] { return view->toPlainText().contains(QStringLiteral("www.example.org")); }, 5s));
    QTextCursor found = view->document()->find(QStringLiteral("www.example.org"));
    ASSERT_FALSE(found.isNull());
    QTextCursor inside(view->document());
    inside.setPosition(found.selectionStart() + 3);
    QTextCharFormat format = inside.charFormat();
    EXPECT_TRUE(format.fontUnderline());
    EXPECT_EQ(format.fontWeight(), QFont::Bold);
    EXPECT_EQ(format.foreground().color(), QColor(0, 0, 255));
    EXPECT_TRUE(format.isAnchor());
    QTextCursor before(view->document());
    before.setPosition(found.selectionStart() - 2);
    EXPECT_EQ(before.charFormat().foreground().color(), QColor(255, 0, 0));  // the system line's own colour
    EXPECT_FALSE(before.charFormat().fontUnderline());

    QRect where = view->cursorRect(inside);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, where.center());
    ASSERT_FALSE(w.opened.empty());
    EXPECT_EQ(w.opened.back(), "http://www.example.org");
}

TEST(ChatPage, TheInputLineBrowsesItsHistory) {
    Window w;
    gui::ChatInput* input = Page(w).PersonalPage()->Input();
    input->setFocus();
    QTest::keyClick(input, Qt::Key_Up);
    EXPECT_EQ(input->text(), QString());  // nothing typed yet: nothing happens
    for (const char* line : {"first", "second", "third"}) {
        QTest::keyClicks(input, QString::fromLatin1(line));
        QTest::keyClick(input, Qt::Key_Return);
        EXPECT_EQ(input->text(), QString());
    }
    QTest::keyClick(input, Qt::Key_Up);
    EXPECT_EQ(input->text(), QStringLiteral("third"));
    QTest::keyClick(input, Qt::Key_Up);
    EXPECT_EQ(input->text(), QStringLiteral("second"));
    QTest::keyClick(input, Qt::Key_Down);
    EXPECT_EQ(input->text(), QStringLiteral("third"));
    QTest::keyClick(input, Qt::Key_Down);
    EXPECT_EQ(input->text(), QString());  // past the newest: cleared, no longer browsing
    QTest::keyClick(input, Qt::Key_Down);
    EXPECT_EQ(input->text(), QStringLiteral("first"));
    QTest::keyClick(input, Qt::Key_Up);
    EXPECT_EQ(input->text(), QString());  // before the oldest: cleared
    EXPECT_EQ(input->maxLength(), 199);
}

TEST(ChatPage, TheViewFollowsNewLinesOnlyFromTheBottom) {
    Window w;
    w.window.ShowPage(1, false);
    gui::ChatViewWidget* view = Page(w).PersonalPage()->View();
    for (int i = 0; i < 200; ++i) w.client.chat.ShowSystemLine("line " + std::to_string(i));
    QCoreApplication::processEvents();
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    w.client.chat.ShowSystemLine("one more");
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), bar->maximum());  // at the bottom: follows

    bar->setValue(bar->maximum() / 3);
    int reading = bar->value();
    for (int i = 0; i < 5; ++i) w.client.chat.ShowSystemLine("while reading " + std::to_string(i));
    QCoreApplication::processEvents();
    EXPECT_EQ(bar->value(), reading);  // scrolled up: stays
}

TEST(ChatPage, TheViewKeepsToItsTextLimit) {
    Window w;
    gui::ChatViewWidget* view = Page(w).PersonalPage()->View();
    const chat::ChatView& model = w.client.chat.Personal().chatView;
    for (int i = 0; i < 3000; ++i) w.client.chat.ShowSystemLine("a line of some length to fill the view, number " + std::to_string(i));
    QCoreApplication::processEvents();
    EXPECT_LT(model.TextLength(), model.TextLimit());
    EXPECT_EQ(view->toPlainText(), model.PlainText());
    EXPECT_TRUE(view->toPlainText().endsWith(QStringLiteral("number 2999")));
}

TEST(ThemesPage, EditsAWorkingCopyAndAppliesIt) {
    Window w;
    std::vector<QString> titles;
    gui::ThemesPage page(
        w.client, nullptr,
        [&](const QString& title, const QColor&) -> std::optional<QColor> {
            titles.push_back(title);
            return QColor(1, 2, 3);
        },
        [](const QFont& f) -> std::optional<QFont> {
            QFont chosen = f;
            chosen.setFamily(QStringLiteral("DejaVu Serif"));
            chosen.setBold(true);
            return chosen;
        });
    EXPECT_EQ(page.Schemes()->currentIndex(), 0);
    EXPECT_FALSE(page.TextColorButton()->isEnabled());  // only the custom scheme can change
    EXPECT_EQ(page.Items()->count(), 23);
    page.Schemes()->setCurrentIndex(2);
    EXPECT_TRUE(page.TextColorButton()->isEnabled());
    page.Items()->setCurrentRow(-1);
    page.TextColorButton()->click();
    EXPECT_EQ(w.ui.Texts("alert").back(), "Please select an item from the left and use this button to change its text color.");
    page.Items()->setCurrentRow(12);  // "System Message"
    EXPECT_TRUE(page.Preview().PlainText().contains(QStringLiteral("System Message")));
    page.TextColorButton()->click();
    page.BackgroundButton()->click();
    page.FontButton()->click();
    EXPECT_EQ(titles, (std::vector<QString>{QStringLiteral("Text Color"), QStringLiteral("Background Color")}));
    EXPECT_EQ(page.Working().SchemeColor("System Message"), chat::Rgb(1, 2, 3));
    EXPECT_EQ(w.client.schemes.custom.SchemeColor("System Message"), chat::Rgb(255, 0, 0));  // not yet applied
    page.Apply();
    EXPECT_EQ(&w.client.schemes.Current(), &w.client.schemes.custom);
    EXPECT_EQ(w.client.schemes.custom.SchemeColor("System Message"), chat::Rgb(1, 2, 3));
    EXPECT_EQ(w.client.schemes.custom.background, chat::Rgb(1, 2, 3));
    EXPECT_EQ(w.client.schemes.custom.fontFace, "DejaVu Serif");
    EXPECT_EQ(w.client.state.settings().currentScheme, "Custom Color Scheme");
    w.client.chat.ShowSystemLine("in the new colours");
    QCoreApplication::processEvents();
    EXPECT_NE(w.client.chat.Personal().chatView.Lines().back().rtf.find("\\red1\\green2\\blue3;"), std::string::npos);
}

TEST(ThemesPage, CustomColoursKeepToTheirSetting) {
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, QColor(Qt::white));
    QColorDialog::setCustomColor(0, QColor(0x12, 0x34, 0x56));
    QColorDialog::setCustomColor(2, QColor(0xff, 0x00, 0x80));
    std::string text = gui::CustomColorsText();
    EXPECT_EQ(text, "123456,ffffff,ff0080");
    gui::RestoreCustomColors(text);
    EXPECT_EQ(QColorDialog::customColor(2), QColor(0xff, 0x00, 0x80));
    EXPECT_EQ(QColorDialog::customColor(5), QColor(Qt::white));

    // All sixteen, through the settings and back.
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, QColor(i * 16, 255 - i, i));
    test::TestProfile profile;
    test::ScriptedUi quiet;
    AppState saved;
    saved.EditAccount()->userName = "tia";
    saved.EditSettings()->customPallete = gui::CustomColorsText();
    ConfigStore store(profile.path());
    ASSERT_TRUE(SaveSettings(store, saved, quiet));
    ConfigStore reread(profile.path());
    AppState loaded;
    ASSERT_TRUE(LoadSettings(reread, loaded, quiet));
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, QColor(Qt::white));
    gui::RestoreCustomColors(loaded.settings().customPallete);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(QColorDialog::customColor(i), QColor(i * 16, 255 - i, i)) << i;
}
