#include "gui/pages/search_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>

#include "search/search_session.h"
#include "support/test_window.h"

using namespace tandril;
using test::RunUntil;
using test::Window;

namespace {

gui::SearchPage& Page(Window& w) {
    return *static_cast<gui::SearchPage*>(w.window.Tabs()->widget(2));
}

QStringList Entries(QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
    return entries;
}

QStringList Column(QTreeView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row) texts << list->model()->index(row, column).data().toString();
    return texts;
}

}  // namespace

TEST(SearchPage, ListsAndTheSavedFilters) {
    Window w;
    gui::SearchPage& page = Page(w);
    EXPECT_EQ(Entries(page.Filter(0)), (QStringList{"", "Inférieur", "Egale à ", "Supéri."}));
    EXPECT_EQ(Entries(page.Filter(1)).mid(0, 4), (QStringList{"", "T3", "T1", "DSL"}));
    EXPECT_EQ(Entries(page.Filter(3)).mid(0, 3), (QStringList{"", "256 KB/s", "192 KB/s"}));
    EXPECT_EQ(Entries(page.Filter(5)).back(), "1 seconde");
    page.Filter(2)->setCurrentIndex(1);
    page.Filter(3)->setCurrentIndex(4);
    EXPECT_EQ(w.client.state.settings().searchFilters[2], "Inférieur");
    EXPECT_EQ(w.client.state.settings().searchFilters[3], "128 KB/s");
    page.Artist()->setText(QStringLiteral("abba"));
    search::SearchFields fields = page.Fields();
    EXPECT_EQ(search::BuildQuery(fields)->Encode(), "FILENAME CONTAINS \"abba\" MAX_RESULTS 100 BITRATE \"AT BEST\" \"128\" ");
    // A link fills the page.
    w.client.search.SetForm({.artist = "pink floyd", .bitrateComparison = search::kAtMost, .bitrate = "192 KB/s"});
    ASSERT_TRUE(RunUntil([&] { return page.Artist()->text() == "pink floyd"; }));
    EXPECT_EQ(page.Filter(3)->currentText(), "192 KB/s");
}

TEST(SearchPage, ShowsTheResultsAndSortsThem) {
    Window w;
    gui::SearchPage& page = Page(w);
    QTreeView* list = page.Results();
    search::OnEndOfSearch(w.client.search);
    ASSERT_TRUE(RunUntil([&] { return page.Info()->text() == "Returned 0 results."; }));
    EXPECT_EQ(Column(list, 0), QStringList{"No matching files found!"});
    EXPECT_EQ(page.SearchButton()->text(), "Chercher!");

    for (const char* r : {"\"1:\\1\\A\\slow.mp3\" h-1 1000 128 44100 60 sam 1 2 0",
                          "\"1:\\1\\A\\fast.mp3\" h-2 30000 320 44100 60 fay 2 9 0", "\"1:\\1\\A\\mid.wma\" h-3 2000 -1 -1 -1 Max 3 6 0"}) {
        search::OnSearchResult(w.client.search, *protocol::SearchResult::Decode(r));
    }
    search::OnEndOfSearch(w.client.search);
    ASSERT_TRUE(RunUntil([&] { return page.Info()->text() == "Returned 3 results."; }));
    QStringList headers;
    for (int i = 0; i < 8; ++i) headers << list->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"Nom     ", "Taille  ", "Bitrate", "Freq", "Length", "User", "Connection", "Ping"}));
    EXPECT_EQ(Column(list, 5), (QStringList{"fay", "Max", "sam"}));  // fastest connection first
    EXPECT_EQ(Column(list, 6), (QStringList{"T1", "ISDN-128K", "28.8"}));
    EXPECT_EQ(Column(list, 7), (QStringList{"N/A", "N/A", "N/A"}));
    list->header()->sectionClicked(1);  // size as a number
    EXPECT_EQ(Column(list, 1), (QStringList{"1,000", "2,000", "30,000"}));
    list->header()->sectionClicked(5);  // user without case
    EXPECT_EQ(Column(list, 5), (QStringList{"fay", "Max", "sam"}));
    list->header()->sectionClicked(5);
    EXPECT_EQ(Column(list, 5), (QStringList{"sam", "Max", "fay"}));
    list->header()->sectionClicked(6);  // connection by its code
    EXPECT_EQ(Column(list, 6), (QStringList{"28.8", "ISDN-128K", "T1"}));
}
