// The player panel on the "&Fichiers" page: the playlist as the core keeps it, the buttons, and
// the display while a file plays.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <condition_variable>

#include "gui/pages/my_files_page.h"
#include "gui/player/player_display.h"
#include "gui/player/player_panel_widget.h"
#include "library/library_view.h"
#include "support/media_fixtures.h"
#include "support/test_window.h"

using namespace tandril;
using test::RunUntil;
namespace fs = std::filesystem;

namespace {

// A sound output that takes nothing until it is stopped: what plays stays playing.
class HoldingSink : public player::AudioSink {
public:
    player::SinkResult Connect() override { return {}; }
    player::SinkResult Open(const player::AudioFormat&) override { return {}; }
    bool Write(std::span<const int16_t>) override {
        std::unique_lock lock(mutex_);
        stopped_.wait(lock, [&] { return aborted_; });
        return false;
    }
    bool Drain() override { return false; }
    void SetPaused(bool) override {}
    void Abort() override {
        std::scoped_lock lock(mutex_);
        aborted_ = true;
        stopped_.notify_all();
    }
    void Close() override {}

private:
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool aborted_ = false;
};

gui::MyFilesPage& Page(test::Window& w) {
    return *static_cast<gui::MyFilesPage*>(w.window.Tabs()->widget(1));
}

QStringList Items(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

}  // namespace

TEST(PlayerPanelWidget, PlaysTheChosenPlaylistEntryAndShowsItOnTheDisplay) {
    if (!test::HaveLame()) GTEST_SKIP() << "lame makes the test files (scripts/setup.sh)";
    test::Window w(false, [] { return std::make_unique<HoldingSink>(); });
    test::TestProfile music;
    const fs::path tone = test::EncodeWavWithLame(music, test::WriteToneWav(music, "t.wav", 1.0, 44100, 2), "b.mp3", "-b 128 --cbr");
    fs::copy_file(tone, music.path() / "a.mp3");
    const std::string a = (music.path() / "a.mp3").string(), b = tone.string();

    // Two library rows, both selected, added to the playlist in row order.
    gui::MyFilesPage& page = Page(w);
    w.window.Tabs()->setCurrentIndex(1);
    library::SharedFileRecord ra{.hash = "h", .path = a, .size = 1, .bitrate = 128, .frequency = 44100, .length = 1};
    library::SharedFileRecord rb = ra;
    rb.path = b;
    w.client.library.view.AddRows({library::MakeLibraryRow(rb, {}), library::MakeLibraryRow(ra, {})});
    QTreeView* library = page.LibraryList();
    ASSERT_TRUE(RunUntil([&] { return library->model()->rowCount() == 2; }));
    library->selectAll();
    page.AddSelectedToPlaylist();
    gui::PlayerPanelWidget* panel = page.Player();
    QListWidget* list = panel->Playlist();
    EXPECT_EQ(Items(list), (QStringList{QString::fromStdString(a), QString::fromStdString(b)}));

    // The second entry chosen in the list box, then Play: the playlist has the focus.
    list->setCurrentRow(1);
    EXPECT_EQ(w.client.panel.Selection(), std::vector<int>{1});
    panel->findChild<QPushButton*>(QStringLiteral("PlayButton"))->click();
    EXPECT_EQ(w.client.panel.NowPlaying(), b);
    EXPECT_TRUE(w.client.panel.PlayingFromPlaylist());
    gui::PlayerDisplay* display = panel->Display();
    EXPECT_TRUE(RunUntil([&] { return display->TrackInfo() == QStringLiteral("MPEG 1 Layer 3, 128 kbps, 44100 Hz"); }));
    EXPECT_EQ(display->Elapsed(), QStringLiteral("00:00:00"));
    auto* stop = panel->findChild<QPushButton*>(QStringLiteral("StopButton"));
    EXPECT_TRUE(stop->isEnabled());

    // Next moves the list box's selection with the track.
    panel->findChild<QCheckBox*>(QStringLiteral("RepeatBox"))->setChecked(true);
    panel->findChild<QPushButton*>(QStringLiteral("NextButton"))->click();
    EXPECT_EQ(w.client.panel.NowPlaying(), a);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->selectedItems().size(), 1);
    EXPECT_TRUE(list->item(0)->isSelected());

    stop->click();
    EXPECT_TRUE(RunUntil([&] { return display->TrackInfo().isEmpty() && !stop->isEnabled(); }));
    panel->findChild<QPushButton*>(QStringLiteral("ClearPlaylistButton"))->click();
    EXPECT_EQ(list->count(), 0);
}

TEST(PlayerPanelWidget, TheLcdFontIsBundled) {
    EXPECT_FALSE(gui::LcdFontFamily().isEmpty());
}
