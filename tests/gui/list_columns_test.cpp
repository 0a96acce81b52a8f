#include "gui/list_columns.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <functional>

#include "base/text.h"
#include "gui/pages/my_files_page.h"
#include "gui/pages/search_page.h"
#include "gui/pages/transfers_page.h"
#include "gui/transfer/transfer_model.h"
#include "search/search_session.h"
#include "support/test_window.h"
#include "transfer/transfers.h"

using namespace tandril;
using namespace std::chrono_literals;
using test::RunUntil;
using test::Window;

namespace {

template <typename PageType>
PageType& Page(Window& w, int tab) {
    return *static_cast<PageType*>(w.window.Tabs()->widget(tab));
}

// Whether `text` is drawn whole in the column: the item delegate keeps a margin on either side.
bool Whole(QTreeView* list, int column, const QString& text) {
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    return list->fontMetrics().horizontalAdvance(text) <= list->columnWidth(column) - 2 * margin;
}

int VisibleWidths(QTreeView* list) {
    int sum = 0;
    for (int i = 0; i < list->header()->count(); ++i) {
        if (!list->isColumnHidden(i)) sum += list->columnWidth(i);
    }
    return sum;
}

transfer::TransferRecord& AddTransfer(Client& c, bool outbound, const std::string& name, std::uint32_t size,
                                      transfer::TransferState state) {
    auto record = std::make_unique<transfer::TransferRecord>(outbound, "kim", name, "h", size, 0, 0, c.transfers.lists.NextRowId(),
                                                             transfer::TransferNow());
    record->localPath = "/save/" + name;
    auto lock = c.transfers.lists.Take(outbound);
    transfer::TransferRecord& r = transfer::AddTransfer(c.transfers, lock, std::move(record));
    transfer::SetTransferState(c.transfers, lock, r, state);
    return r;
}

void Fill(Window& w) {
    for (const char* r :
         {"\"1:\\1\\A\\a.mp3\" h-1 625920014 128 44100 60 sam 1 2 0", "\"1:\\1\\A\\b.mp3\" h-2 3000 320 44100 61 fay 2 9 0"}) {
        search::OnSearchResult(w.client.search, *protocol::SearchResult::Decode(r));
    }
    search::OnEndOfSearch(w.client.search);
    library::SharedFileRecord file{.hash = "h", .path = "/M/a/b.mp3", .size = 625920014, .bitrate = 128, .frequency = 44100, .length = 61};
    w.client.library.view.AddRows({library::MakeLibraryRow(file, library::FileTypeTable{})});
    AddTransfer(w.client, false, "b.mp3", 625920014, transfer::TransferState::Transferring);
}

}  // namespace

TEST(ListColumns, SizesStatesAndRatesAreShownWhole) {
    Window w;
    w.window.ShowPage(5, false);
    auto& page = Page<gui::TransfersPage>(w, 4);
    QTreeView* in = page.List(false);
    transfer::TransferRecord& r = AddTransfer(w.client, false, "one.mp3", 625920014, transfer::TransferState::Transferring);
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 1; }, 5s));
    EXPECT_EQ(in->model()->index(0, 1).data().toString(), "625,920,014");
    EXPECT_EQ(in->model()->index(0, 3).data().toString(), "Téléchargement");
    w.client.transfers.view.Edit(false, r.rowId, [](transfer::TransferRow& row) {
        row.cells[transfer::kSizeColumn] = "312,960,007 of 625,920,014";
        row.cells[transfer::kRateColumn] = "1234.56 k/s";
        row.cells[transfer::kTimeLeftColumn] = "123:45:06";
        row.percent = 50;
    });
    const std::pair<int, QString> cells[] = {{transfer::kSizeColumn, "312,960,007 of 625,920,014"},
                                             {transfer::kStatusColumn, "Téléchargement"},
                                             {transfer::kRateColumn, "1234.56 k/s"},
                                             {transfer::kTimeLeftColumn, "123:45:06"}};
    ASSERT_TRUE(RunUntil(
        [&] {
            return std::all_of(std::begin(cells), std::end(cells), [&](const auto& cell) { return Whole(in, cell.first, cell.second); });
        },
        5s))
        << in->columnWidth(1) << " " << in->columnWidth(3) << " " << in->columnWidth(6) << " " << in->columnWidth(7);
    // The bar keeps its width, and the row is tall enough for the percentage in its frame.
    EXPECT_EQ(in->columnWidth(transfer::kProgressColumn), 100);
    EXPECT_GE(in->visualRect(in->model()->index(0, transfer::kProgressColumn)).height() - 4, QFontMetrics(gui::ProgressFont()).height());
    // No column is narrower than it started.
    const int starts[] = {175, 140, 80, 100, 60, 100, 70, 80};
    for (int i = 0; i < transfer::kTransferColumns; ++i) EXPECT_GE(in->columnWidth(i), starts[i]) << i;
}

TEST(ListColumns, AColumnTheUserSizedKeepsItsWidth) {
    Window w;
    w.window.ShowPage(5, false);
    QTreeView* in = Page<gui::TransfersPage>(w, 4).List(false);
    auto* columns = in->findChild<gui::ListColumns*>();
    ASSERT_NE(columns, nullptr);
    QHeaderView* header = in->header();
    // A drag on the header: the button is down while the section changes size.
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    header->resizeSection(transfer::kStatusColumn, 40);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(columns->UserResized(transfer::kStatusColumn));
    EXPECT_FALSE(columns->UserResized(transfer::kSizeColumn));
    AddTransfer(w.client, false, "one.mp3", 625920014, transfer::TransferState::Transferring);
    ASSERT_TRUE(RunUntil([&] { return in->model()->rowCount() == 1; }, 5s));
    columns->Refit();
    EXPECT_EQ(in->columnWidth(transfer::kStatusColumn), 40);
    EXPECT_TRUE(Whole(in, transfer::kSizeColumn, "625,920,014"));
    // Resizes made by the program itself are not the user's.
    header->resizeSection(transfer::kRateColumn, 30);
    EXPECT_FALSE(columns->UserResized(transfer::kRateColumn));
}

TEST(ListColumns, TheNameColumnTakesTheRoomLeftOver) {
    struct List {
        const char* name;
        int page;
        int start;  // the name column's starting width
        std::function<QTreeView*(Window&)> view;
    };
    const List lists[] = {
        {"library", 2, 320, [](Window& w) { return Page<gui::MyFilesPage>(w, 1).LibraryList(); }},
        {"search results", 3, 260, [](Window& w) { return Page<gui::SearchPage>(w, 2).Results(); }},
        {"downloads", 5, 175, [](Window& w) { return Page<gui::TransfersPage>(w, 4).List(false); }},
        {"uploads", 5, 175, [](Window& w) { return Page<gui::TransfersPage>(w, 4).List(true); }},
    };
    Window w;
    Fill(w);
    for (const List& list : lists) {
        SCOPED_TRACE(list.name);
        QTreeView* view = list.view(w);
        w.window.ShowPage(list.page, false);
        // Wide: the columns fill the list exactly, the name column has grown.
        w.window.resize(1600, 1000);
        ASSERT_TRUE(RunUntil([&] { return VisibleWidths(view) == view->viewport()->width(); }, 5s))
            << VisibleWidths(view) << " of " << view->viewport()->width();
        EXPECT_GT(view->columnWidth(0), list.start + 500);
        EXPECT_FALSE(view->header()->stretchLastSection());
        // Narrow: the name column is back to its starting width and the list scrolls.
        w.window.resize(500, 300);
        ASSERT_TRUE(RunUntil([&] { return view->columnWidth(0) == list.start; }, 5s)) << view->columnWidth(0);
        w.window.resize(900, 600);
        ASSERT_TRUE(RunUntil(
            [&] {
                return view->columnWidth(0) ==
                       std::max(list.start, view->viewport()->width() - (VisibleWidths(view) - view->columnWidth(0)));
            },
            5s));
    }
}

TEST(ListColumns, SearchHeadersShowTheSortColumnAndDirection) {
    Window w;
    Fill(w);
    w.window.ShowPage(3, false);
    QTreeView* list = Page<gui::SearchPage>(w, 2).Results();
    ASSERT_TRUE(RunUntil([&] { return list->model()->rowCount() == 2; }, 5s));
    QHeaderView* header = list->header();
    EXPECT_FALSE(header->isSortIndicatorShown());  // the arrival order until a click
    auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
    };
    click(1);
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "3,000");
    click(1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(list->model()->index(0, 1).data().toString(), "625,920,014");
    // Numbers and their titles are on the right, names and theirs on the left.
    for (int column : {0, 1, 4, 5}) {
        EXPECT_EQ(list->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight,
                  list->model()->index(0, column).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight)
            << column;
    }
    click(5);
    EXPECT_EQ(header->sortIndicatorSection(), 5);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(list->model()->index(0, 5).data().toString(), "fay");
}
