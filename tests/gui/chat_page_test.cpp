#include "gui/pages/chat_page.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

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

// A channel window gets its page and tab; typing in it goes through the command interpreter; the
// tab strip, "&Inviter" and "Quitter Salle" are there while a channel is, inviting asks whom to
// invite into the current channel, and leaving closes the page.
TEST(ChatPage, AChannelWindowComesAndGoesWithItsTabAndUserList) {
    Window w;
    gui::ChatPage& page = Page(w);
    w.window.ShowPage(1, false);
    w.client.channels.OnChannelJoined({"#jazz"});
    w.client.channels.OnUserEntry({"#jazz", "kim", 5021, 10});
    w.client.channels.OnUserEntry({"#jazz", "Ana", 830, 7});
    chat::ChannelWindow* jazz = w.client.chat.Find("#jazz");
    ASSERT_NE(jazz, nullptr);
    gui::ChatWindowPage* channelPage = page.PageOf(jazz);
    ASSERT_NE(channelPage, nullptr);
    ASSERT_NE(channelPage->UserList(), nullptr);
    ASSERT_TRUE(RunUntil([&] { return channelPage->UserList()->model()->rowCount() == 2; }, 5s));
    EXPECT_EQ(channelPage->UserList()->model()->index(0, 0).data().toString(), QStringLiteral("Ana"));
    EXPECT_TRUE(page.Tabs()->isVisible());
    EXPECT_TRUE(page.LeaveButton()->isEnabled());
    EXPECT_TRUE(page.InviteButton()->isEnabled());
    EXPECT_EQ(page.Tabs()->count(), 2);
    EXPECT_EQ(page.Tabs()->currentIndex(), 1);
    EXPECT_EQ(channelPage->UserCount()->toPlainText().trimmed(), QStringLiteral("2 users in channel."));

    // Header clicks on "Files": ascending, then descending.
    QHeaderView* header = channelPage->UserList()->horizontalHeader();
    const QPoint files(header->sectionViewportPosition(1) + 5, 5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, files);
    EXPECT_EQ(jazz->users->SortColumn(), chat::kFilesColumn);
    EXPECT_FALSE(jazz->users->SortDescending());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, files);
    EXPECT_TRUE(jazz->users->SortDescending());
    ASSERT_TRUE(RunUntil([&] { return channelPage->UserList()->model()->index(0, 0).data().toString() == QStringLiteral("kim"); }, 5s));

    // A line typed in the page reaches the interpreter: /clear empties the view.
    w.client.chat.AppendLine(*jazz, "User message", "<kim> hi", false);
    QTest::keyClicks(channelPage->Input(), "/clear");
    QTest::keyClick(channelPage->Input(), Qt::Key_Return);
    EXPECT_TRUE(jazz->chatView.Lines().empty());

    w.ui.textAnswers = {std::string(" zoe ")};
    QTest::mouseClick(page.InviteButton(), Qt::LeftButton);
    const auto events = w.ui.Events();
    auto asked = std::find_if(events.rbegin(), events.rend(), [](const auto& e) { return e.kind == "input"; });
    ASSERT_NE(asked, events.rend());
    EXPECT_EQ(asked->caption, "Invite user to channel '#jazz'");
    EXPECT_EQ(asked->text, "User to invite:");
    ASSERT_FALSE(jazz->chatView.Lines().empty());
    EXPECT_TRUE(jazz->chatView.Lines().back().plain.contains(QStringLiteral("Inviting user zoe to channel '#jazz'.")));

    QTest::mouseClick(page.LeaveButton(), Qt::LeftButton);
    EXPECT_EQ(w.client.chat.Find("#jazz"), nullptr);
    ASSERT_TRUE(RunUntil([&] { return !page.Tabs()->isVisible(); }, 5s));
    EXPECT_FALSE(page.LeaveButton()->isEnabled());
    EXPECT_FALSE(page.InviteButton()->isEnabled());
    EXPECT_EQ(page.Tabs()->count(), 1);
}
