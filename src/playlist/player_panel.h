#pragma once
// The player panel's state and commands: the playlist with its current entry and selection,
// Shuffle and Repeat, play from the library list or the playlist, pause, stop, next and previous,
// and the read-outs. The skin draws it and forwards clicks; tests drive it directly.
//
// Threading: every command runs on the GUI thread (as a window's would). The player's
// end-of-track call comes on its engine thread and is handed to the GUI thread, where Next runs
// unless the user started or stopped something in between. The read-outs may be read from any
// thread.

#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/runtime.h"
#include "player/player.h"

namespace tandril::playlist {

inline constexpr const char* kDeviceAlert = "Can't open playback device! It might already be used.";

class PlayerPanel : public QObject {
    Q_OBJECT
public:
    PlayerPanel(Runtime& runtime, player::Player& player);
    ~PlayerPanel() override;
    PlayerPanel(const PlayerPanel&) = delete;
    PlayerPanel& operator=(const PlayerPanel&) = delete;

    // --- the playlist
    const std::vector<std::string>& Entries() const { return entries_; }
    // The list box's caret item (-1: none) and its selected rows, in row order.
    int Current() const { return current_; }
    const std::vector<int>& Selection() const { return selection_; }
    // The user's selection in the list box.
    void Select(std::vector<int> rows, int current);
    // Replaces the playlist with the file's entries and selects the first; false (with the
    // message, the playlist unchanged) when the file cannot be opened.
    bool LoadPlaylist(const std::string& path);
    // The load command: loads, starts the playlist when nothing plays, remembers the file.
    void LoadPlaylistCommand(const std::string& path);
    // Writes the playlist (nothing when it is empty) and remembers the file.
    void SavePlaylist(const std::string& path);
    // Empties the playlist and forgets the remembered file.
    void ClearPlaylist();
    // Appends the files (the library list's selected rows, in order) and asks for the focus.
    void AddToPlaylist(const std::vector<std::string>& paths);
    // At start: the remembered playlist, loaded without playing.
    void RestoreLastPlayList();

    // --- playback
    // Plays the library list's selection (exactly one file).
    void PlayFromMyFiles(const std::vector<std::string>& selectedPaths);
    // Plays one file as the library list would, the player chosen by `name`'s extension: a
    // download's file while it is still written under another name.
    void PlayDownloadFile(const std::string& path, const std::string& name);
    // Plays the playlist's first selected entry.
    void PlayFromPlaylist();
    // The Play button: resumes a paused track, else plays the selection of the focused list.
    void PlayButton(bool playlistHasFocus, const std::vector<std::string>& myFilesSelection);
    // Pauses what plays, or resumes what is paused.
    void PauseButton();
    void Stop();
    void Next();
    void Previous();
    void SetShuffle(bool on) { shuffle_ = on; }
    void SetRepeat(bool on) { repeat_ = on; }
    bool Shuffle() const { return shuffle_; }
    bool Repeat() const { return repeat_; }
    void SetVolume(int percent) { player_.SetVolume(percent); }
    int Volume() const { return player_.Volume(); }

    // --- state and read-outs (any thread)
    player::PlayerState State() const { return player_.State(); }
    bool PlayingFromPlaylist() const { return fromPlaylist_; }
    // Tracks advanced by Next in this run (Repeat sets it back to 0).
    std::uint32_t AdvanceCount() const { return advanced_; }
    std::string NowPlaying() const;
    // Empty while nothing plays.
    std::string TrackInfo() const;
    std::string Elapsed() const;

Q_SIGNALS:
    // The entries changed (load, clear, add).
    void entriesChanged();
    // The current entry or the selection changed.
    void selectionChanged();
    // Something started or stopped.
    void playbackChanged();
    // The playlist should take the focus (after an add).
    void focusPlaylistRequested();

private:
    // The choice of player for one file, by the extension of `name` (the path's own when empty).
    void PlayFile(const std::string& path, const std::string& name = {});
    // Moves through the playlist; `forward` for Next.
    void Advance(bool forward);
    int ChooseIndex(bool forward, int from);
    void StopPlayback();
    void OnTrackEnded(std::uint64_t generation, player::TrackEnd end);
    void RememberPlaylist(const std::string& path);
    void Message(const std::string& text);

    Runtime& rt_;
    player::Player& player_;
    std::vector<std::string> entries_;
    std::vector<int> selection_;
    int current_ = -1;
    bool shuffle_ = false;
    bool repeat_ = false;
    std::atomic<bool> fromPlaylist_{false};
    std::atomic<std::uint32_t> advanced_{0};
    // Every start and stop from this panel; an end of track handed over before the latest one is
    // stale and starts nothing.
    std::atomic<std::uint64_t> generation_{0};
    mutable std::mutex nowPlayingLock_;
    std::string nowPlaying_;
    // Lets a hand-over that outlives the panel find that out.
    std::shared_ptr<PlayerPanel*> self_;
};

}  // namespace tandril::playlist
