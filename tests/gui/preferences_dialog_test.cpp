// The preferences sheet's widgets: they carry what was typed to the core's rules, stay open on the
// page that refused, and what OK stores is saved when the sheet closes.
#include "gui/preferences/preferences_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "base/settings.h"
#include "gui/library/folder_tree.h"
#include "support/test_window.h"

using namespace tandril;
using test::Window;

TEST(PreferencesDialog, TheMenuOpensASheetOfSixPages) {
    Window w;
    QAction* item = w.Action(QStringLiteral("&Préférences"));
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isEnabled());
    gui::PreferencesDialog sheet(w.client, &w.window);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Tandril Preferences"));
    QStringList titles;
    for (int i = 0; i < sheet.Pages()->count(); ++i) titles << sheet.Pages()->tabText(i);
    EXPECT_EQ(titles, (QStringList{"Personnel", "Discussion", "Thèmes", "Partage", "Téléchargement", "Paramètres du Proxy"}));
    EXPECT_EQ(sheet.ScanButton()->text(), QStringLiteral("&Démarrer!"));
}

TEST(PreferencesDialog, ARefusingPageIsShownAndTheSheetStaysThenOkSavesWhatWasTyped) {
    Window w;
    w.client.state.EditAccount()->email = "lea@example.org";
    w.client.state.EditAccount()->password = "pw";
    w.client.state.EditAccount()->lineSpeed = 4;
    w.client.state.EditSettings()->savePath = (w.profile.path() / "Downloads").string();
    gui::PreferencesDialog sheet(w.client, &w.window);
    sheet.show();
    sheet.LineSpeed()->setCurrentIndex(6);
    sheet.Pages()->setCurrentIndex(4);
    sheet.MaxDownloads()->setText(QStringLiteral("0"));
    sheet.Pages()->setCurrentIndex(0);
    sheet.TryAccept();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.Pages()->currentIndex(), 4);
    EXPECT_EQ(w.ui.Texts("alert"), std::vector<std::string>{"You cannot set your max downloads < 1!"});
    EXPECT_EQ(sheet.MaxDownloads()->text(), QStringLiteral("0"));  // what was typed stays

    sheet.MaxDownloads()->setText(QStringLiteral(" 7 "));
    sheet.TryAccept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    sheet.Finish();
    AppState stored;
    test::ScriptedUi quiet;
    ASSERT_TRUE(LoadSettings(w.client.store, stored, quiet));
    EXPECT_EQ(stored.settings().maxDownloads, 7);
    EXPECT_EQ(stored.account().lineSpeed, 6);
}

// A page never opened is not applied: with "My Files" as the save folder (nothing ticked in the
// download tree) OK does not ask for a save folder when only the personal page was seen.
TEST(PreferencesDialog, OnlyThePagesThatWereShownAreApplied) {
    Window w;
    w.client.state.EditAccount()->email = "lea@example.org";
    w.client.state.EditAccount()->password = "pw";
    w.client.state.EditSettings()->savePath.clear();
    gui::PreferencesDialog sheet(w.client, &w.window);
    sheet.LineSpeed()->setCurrentIndex(3);
    sheet.TryAccept();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(w.ui.Texts("question").empty());
    EXPECT_EQ(w.client.state.account().lineSpeed, 3);

    // Once the download page was seen, its rule applies.
    gui::PreferencesDialog again(w.client, &w.window);
    again.Pages()->setCurrentIndex(4);
    w.ui.Script({Answer::No});
    again.TryAccept();
    EXPECT_NE(again.result(), QDialog::Accepted);
    const auto questions = w.ui.Texts("question");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].rfind("You did not choose a save folder!", 0), 0u) << questions[0];
}

TEST(PreferencesDialog, CancelStoresNothing) {
    Window w;
    w.client.state.EditAccount()->email = "lea@example.org";
    w.client.state.EditAccount()->password = "pw";
    const int before = w.client.state.settings().maxDownloads;
    gui::PreferencesDialog sheet(w.client, &w.window);
    sheet.MaxDownloads()->setText(QStringLiteral("9"));
    sheet.reject();
    sheet.Finish();
    EXPECT_EQ(w.client.state.settings().maxDownloads, before);
}
