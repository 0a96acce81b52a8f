#include "gui/pages/my_files_page.h"

#include <gtest/gtest.h>

#include <QFileSystemModel>
#include <QHeaderView>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <fstream>

#include "gui/library/folder_tree.h"
#include "library/my_files.h"
#include "support/test_window.h"

using namespace tandril;
using test::RunUntil;
using test::Window;
namespace fs = std::filesystem;

namespace {

gui::MyFilesPage& Page(Window& w) {
    return *static_cast<gui::MyFilesPage*>(w.window.Tabs()->widget(1));
}

QStringList Column(QTreeView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row) texts << list->model()->index(row, column).data().toString();
    return texts;
}

library::LibraryRow Row(const std::string& path, std::uint32_t size, int bitrate, int length) {
    library::SharedFileRecord r{.hash = "h-1", .path = path, .size = size, .bitrate = bitrate, .frequency = 44100, .length = length};
    return library::MakeLibraryRow(r, library::FileTypeTable{});
}

}  // namespace

TEST(MyFilesPage, ShowsTheLibraryAndSortsByTheClickedHeader) {
    Window w;
    QTreeView* list = Page(w).LibraryList();
    QStringList headers;
    for (int i = 0; i < 5; ++i) headers << list->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Nom     ", "Taille  ", "Bitrate", "Fréquence", "Length"}));
    w.client.library.view.AddRows(
        {Row("/M/b/Zed.mp3", 2000000, 128, 61), Row("/M/a/alpha.mp3", 900, 320, 5), Row("/M/c/mid.wma", 15000, -1, -1)});
    ASSERT_TRUE(RunUntil([&] { return list->model()->rowCount() == 3; }));
    // The core's order: by name without case.
    EXPECT_EQ(Column(list, 0), (QStringList{"a\\alpha.mp3", "b\\Zed.mp3", "c\\mid.wma"}));
    EXPECT_EQ(Column(list, 1), (QStringList{"900", "2,000,000", "15,000"}));
    EXPECT_EQ(Column(list, 4), (QStringList{"0:05", "1:01", "DRM"}));
    // Size sorts by the number, not the text; a second click reverses.
    list->header()->sectionClicked(1);
    EXPECT_EQ(Column(list, 1), (QStringList{"900", "15,000", "2,000,000"}));
    list->header()->sectionClicked(1);
    EXPECT_EQ(Column(list, 1), (QStringList{"2,000,000", "15,000", "900"}));
    list->header()->sectionClicked(2);
    EXPECT_EQ(Column(list, 2), (QStringList{"DRM", "128", "320"}));
    // Rows that arrive later find their place in the chosen order.
    w.client.library.view.AddRows({Row("/M/d/big.mp3", 90000000, 192, 300)});
    ASSERT_TRUE(RunUntil([&] { return list->model()->rowCount() == 4; }));
    EXPECT_EQ(Column(list, 2), (QStringList{"DRM", "128", "192", "320"}));
}

TEST(MyFilesPage, TheDeleteKeyAsksForEachSelectedFile) {
    Window w;
    test::TestProfile music;
    std::vector<std::string> paths;
    for (const char* name : {"one.mp3", "two.mp3"}) {
        paths.push_back((music.path() / name).string());
        std::ofstream(paths.back()) << "x";
    }
    w.client.library.view.AddRows({Row(paths[0], 1, 128, 1), Row(paths[1], 1, 128, 1)});
    QTreeView* list = Page(w).LibraryList();
    ASSERT_TRUE(RunUntil([&] { return list->model()->rowCount() == 2; }));
    list->selectAll();
    w.ui.Script({Answer::No, Answer::Yes});
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(w.ui.Texts("question"),
              (std::vector<std::string>{"Delete one.mp3 from file list and disk?", "Delete two.mp3 from file list and disk?"}));
    EXPECT_TRUE(fs::exists(paths[0]));
    EXPECT_FALSE(fs::exists(paths[1]));
    ASSERT_TRUE(RunUntil([&] { return list->model()->rowCount() == 1; }));
    EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
}

TEST(FolderTree, ShowsWhichFoldersAreSharedAndHowWithItsLegend) {
    using State = gui::FolderTree::State;
    test::TestProfile root;
    const QString base = QString::fromStdString(root.path().string());
    fs::create_directories(root.path() / "Music/Rock/Live");
    fs::create_directories(root.path() / "Other");
    gui::FolderTree tree;
    tree.resize(400, 400);
    tree.show();
    tree.Tick(base + "/Music/Rock/");
    tree.Tick(base + "/Music/Rock");  // once only
    EXPECT_EQ(tree.TickedFolders(), QStringList{base + "/Music/Rock"});
    EXPECT_EQ(tree.StateOf(base + "/Music/Rock"), State::Shared);
    EXPECT_EQ(tree.StateOf(base + "/Music/Rock/Live"), State::SharedByRecursion);
    EXPECT_EQ(tree.StateOf(base + "/Music"), State::HoldsSharedFolder);
    EXPECT_EQ(tree.StateOf(base + "/Music/Rockabilly"), State::NotShared);
    EXPECT_EQ(tree.StateOf(base + "/Other"), State::NotShared);
    // The user ticks a folder in the tree itself.
    ASSERT_TRUE(RunUntil([&] { return tree.View()->model()->hasIndex(0, 0, tree.View()->rootIndex()); }));
    auto* model = tree.View()->model();
    QModelIndex other;
    ASSERT_TRUE(RunUntil([&] {
        other = static_cast<QFileSystemModel*>(model)->index(base + "/Other");
        return other.isValid();
    }));
    ASSERT_TRUE(model->setData(other, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(tree.TickedFolders(), (QStringList{base + "/Music/Rock", base + "/Other"}));
    EXPECT_EQ(model->data(other, Qt::CheckStateRole).toInt(), Qt::Checked);
    // The tree opens down to the first ticked folder.
    ASSERT_TRUE(RunUntil([&] { return tree.View()->isExpanded(static_cast<QFileSystemModel*>(model)->index(base + "/Music")); }));
    tree.Clear();
    EXPECT_TRUE(tree.TickedFolders().isEmpty());
    QStringList legend;
    for (State s : {State::Shared, State::SharedByRecursion, State::HoldsSharedFolder, State::NotShared})
        legend << gui::FolderTree::LegendText(s);
    EXPECT_EQ(legend, (QStringList{"Répertoire partagé.", "Répertoire partagé par récurrence.", "Un répertoire cascadé est partagé.",
                                   "Répertoire non-partagé."}));
}

// The save folder's tree: the folder the user ticks is the one used, the one ticked before (an
// account's old save folder, say) is unticked.
TEST(FolderTree, ASingleChoiceTreeKeepsWhatTheUserTickedLast) {
    test::TestProfile root;
    const QString base = QString::fromStdString(root.path().string());
    fs::create_directories(root.path() / "Old/Downloads");
    fs::create_directories(root.path() / "Mine");
    gui::FolderTree tree;
    tree.SetSingleChoice(true);
    tree.resize(400, 400);
    tree.show();
    tree.Tick(base + "/Old/Downloads");
    auto* model = static_cast<QFileSystemModel*>(tree.View()->model());
    QModelIndex mine;
    ASSERT_TRUE(RunUntil([&] {
        mine = model->index(base + "/Mine");
        return mine.isValid();
    }));
    ASSERT_TRUE(model->setData(mine, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(tree.TickedFolders(), QStringList{base + "/Mine"});
    EXPECT_EQ(model->data(model->index(base + "/Old/Downloads"), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    tree.Tick(base + "/Old/Downloads");
    EXPECT_EQ(tree.TickedFolders(), QStringList{base + "/Old/Downloads"});
}

TEST(FolderTree, AFolderTickedBeforeTheTreeShowsIsOpenedAndScrolledTo) {
    test::TestProfile root;
    const QString deep = QString::fromStdString((root.path() / "a/b/c").string());
    fs::create_directories(deep.toStdString());
    gui::FolderTree tree;
    tree.Tick(deep);
    tree.resize(400, 300);
    tree.show();
    auto* model = static_cast<QFileSystemModel*>(tree.View()->model());
    EXPECT_TRUE(RunUntil(
        [&] {
            QRect rect = tree.View()->visualRect(model->index(deep));
            return rect.isValid() && tree.View()->viewport()->rect().contains(rect.center());
        },
        std::chrono::seconds(5)));
}
