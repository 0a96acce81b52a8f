// "Fichiers à reprendre" with real widgets: the rows it makes of resume.dat, "&Effacer", and the
// lower list that grows in with a search and shows the sources as they arrive.
#include "gui/incomplete_files_dialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>
#include <fstream>

#include "support/test_window.h"
#include "transfer/resume.h"
#include "transfer/transfers.h"

using namespace tandril;
using test::Window;

TEST(IncompleteFilesDialog, ListsErasesAndShowsSourcesAsTheyArrive) {
    Window w;
    Client& c = w.client;
    auto& incomplete = c.transfers.incomplete;
    std::filesystem::create_directories(incomplete.Folder());
    const std::string kept = (incomplete.Folder() / "kept.mp3").string(), erased = (incomplete.Folder() / "erased.mp3").string();
    std::ofstream(kept) << std::string(1500, 'k');
    std::ofstream(erased) << "e";
    incomplete.Add({kept, 1234567, "h-1"});
    incomplete.Add({erased, 10, "g-1"});
    incomplete.Add({(incomplete.Folder() / "gone.mp3").string(), 10, "x-1"});  // its file was deleted by hand

    gui::IncompleteFilesDialog dialog(c, &w.window);
    dialog.show();
    auto* files = dialog.findChild<QTreeWidget*>(QStringLiteral("IncompleteFiles"));
    auto* sources = dialog.findChild<QTreeWidget*>(QStringLiteral("ResumeSources"));
    ASSERT_TRUE(files && sources);
    ASSERT_EQ(files->topLevelItemCount(), 2);
    EXPECT_EQ(files->topLevelItem(0)->text(1), QStringLiteral("1,500"));
    EXPECT_EQ(files->topLevelItem(0)->text(2), QStringLiteral("1,234,567"));
    EXPECT_TRUE(sources->isHidden());
    auto button = [&](const char* text) {
        for (auto* b : dialog.findChildren<QPushButton*>()) {
            if (b->text() == QString::fromUtf8(text)) return b;
        }
        return static_cast<QPushButton*>(nullptr);
    };
    EXPECT_FALSE(button("&Reprendre")->isEnabled());

    files->topLevelItem(1)->setSelected(true);
    button("&Effacer")->click();
    ASSERT_EQ(files->topLevelItemCount(), 1);
    EXPECT_EQ(incomplete.Entries(), (std::vector<transfer::IncompleteEntry>{{kept, 1234567, "h-1"}}));

    files->topLevelItem(0)->setSelected(true);
    button("&Demander")->click();
    EXPECT_FALSE(sources->isHidden());
    EXPECT_TRUE(button("&Reprendre")->isEnabled());
    transfer::OnResumeSource(c.transfers, protocol::SourceFound{"kim", 16777343, 6699, "1:\\0\\kept.mp3", "h-1", 1234567, 8});
    ASSERT_TRUE(test::RunUntil([&] { return sources->topLevelItemCount() == 1; }));
    EXPECT_EQ(sources->topLevelItem(0)->text(1), QStringLiteral("kim"));
    EXPECT_EQ(sources->topLevelItem(0)->text(2), QStringLiteral("DSL"));
}
