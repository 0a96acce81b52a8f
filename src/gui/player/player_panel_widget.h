#pragma once
// The player panel of the "&Fichiers" page: the display, the buttons, the playlist with Shuffle
// and Repeat, and the volume. It draws the core's PlayerPanel and hands it the clicks.

#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QListWidget;
class QPushButton;
class QSlider;
class QTimer;

namespace tandril::playlist {
class PlayerPanel;
}

namespace tandril::gui {

class PlayerDisplay;

class PlayerPanelWidget : public QWidget {
    Q_OBJECT
public:
    // `myFilesSelection` gives the library list's selected files, in row order.
    PlayerPanelWidget(playlist::PlayerPanel& panel, std::function<std::vector<std::string>()> myFilesSelection, QWidget* parent = nullptr);

    QListWidget* Playlist() const { return list_; }
    PlayerDisplay* Display() const { return display_; }
    // Which list Play takes its file from: the one that had the focus last.
    void SetPlaylistHasFocus(bool playlist) { playlistHasFocus_ = playlist; }

    // The buttons' commands.
    void LoadPlaylist();
    void SavePlaylist();
    // Redraws the display from the core's read-outs.
    void RefreshDisplay();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowEntries();
    void ShowSelection();
    void ShowPlayback();

    playlist::PlayerPanel& panel_;
    std::function<std::vector<std::string>()> myFilesSelection_;
    PlayerDisplay* display_;
    QListWidget* list_;
    QCheckBox* shuffle_;
    QCheckBox* repeat_;
    QPushButton* stop_;
    QSlider* volume_;
    QTimer* refresh_;
    bool playlistHasFocus_ = false;
    bool showingSelection_ = false;
};

}  // namespace tandril::gui
