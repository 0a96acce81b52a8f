#include "playlist/player_panel.h"

#include <QString>
#include <QUrl>
#include <algorithm>

#include "base/settings.h"
#include "base/text.h"
#include "playlist/player_choice.h"
#include "playlist/playlist_file.h"
#include "playlist/readouts.h"

namespace tandril::playlist {

PlayerPanel::PlayerPanel(Runtime& runtime, player::Player& player)
    : rt_(runtime), player_(player), self_(std::make_shared<PlayerPanel*>(this)) {
    std::weak_ptr<PlayerPanel*> self = self_;
    player_.SetEndOfTrackHandler([this, self](player::TrackEnd end) {
        // On the engine's thread: only the generation is read here, the rest waits for the GUI thread.
        const std::uint64_t generation = generation_.load();
        rt_.PostToGui([self, generation, end] {
            if (auto panel = self.lock()) (*panel)->OnTrackEnded(generation, end);
        });
    });
}

PlayerPanel::~PlayerPanel() {
    player_.SetEndOfTrackHandler(nullptr);
    player_.Stop();
}

void PlayerPanel::Message(const std::string& text) {
    rt_.ui.ShowAlert(AlertKind::Modeless, text);
}

// --- the playlist

void PlayerPanel::Select(std::vector<int> rows, int current) {
    const int n = static_cast<int>(entries_.size());
    std::erase_if(rows, [n](int row) { return row < 0 || row >= n; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    selection_ = std::move(rows);
    current_ = current >= 0 && current < n ? current : -1;
    Q_EMIT selectionChanged();
}

bool PlayerPanel::LoadPlaylist(const std::string& path) {
    auto entries = ReadPlaylistFile(path);
    if (!entries) {
        Message(Format(400, "Unable to open specified playlist %s!", path.c_str()));
        return false;
    }
    entries_ = std::move(*entries);
    Q_EMIT entriesChanged();
    Select(entries_.empty() ? std::vector<int>{} : std::vector<int>{0}, entries_.empty() ? -1 : 0);
    return true;
}

void PlayerPanel::LoadPlaylistCommand(const std::string& path) {
    if (!LoadPlaylist(path)) return;
    if (player_.State() == player::PlayerState::kIdle) PlayFromPlaylist();
    RememberPlaylist(path);
}

void PlayerPanel::SavePlaylist(const std::string& path) {
    if (entries_.empty()) return;
    if (!WritePlaylistFile(path, entries_)) {
        Message(Format(400, "Unable to save specified playlist %s!", path.c_str()));
        return;
    }
    RememberPlaylist(path);
}

void PlayerPanel::ClearPlaylist() {
    entries_.clear();
    Q_EMIT entriesChanged();
    Select({}, -1);
    rt_.state.EditSettings()->lastPlayList.clear();
    const std::string user = rt_.state.account().userName;
    if (user.empty()) return;
    if (auto key = rt_.store.OpenKey(std::string(kRootKey) + "\\" + user)) {
        rt_.store.DeleteValue(*key, "LastPlayList");
        rt_.store.Flush();
    }
}

void PlayerPanel::RememberPlaylist(const std::string& path) {
    const std::string kept = CutText(path, 347);
    rt_.state.EditSettings()->lastPlayList = kept;
    const std::string user = rt_.state.account().userName;
    if (user.empty()) return;
    ConfigKey key = rt_.store.CreateKey(std::string(kRootKey) + "\\" + user);
    rt_.store.SetValue(key, "LastPlayList", kept);
    rt_.store.Flush();
}

void PlayerPanel::AddToPlaylist(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    for (const std::string& path : paths) entries_.push_back(CutText(path, kMaxEntryPath));
    Q_EMIT entriesChanged();
    Q_EMIT focusPlaylistRequested();
}

void PlayerPanel::RestoreLastPlayList() {
    const std::string path = rt_.state.settings().lastPlayList;
    if (!path.empty()) LoadPlaylist(path);
}

// --- playback

void PlayerPanel::StopPlayback() {
    ++generation_;
    player_.Stop();
    {
        std::scoped_lock lock(nowPlayingLock_);
        nowPlaying_.clear();
    }
    Q_EMIT playbackChanged();
}

void PlayerPanel::PlayFile(const std::string& path, const std::string& name) {
    const PlayerRoute route = RouteFor(name.empty() ? path : name, rt_.state.settings().player);
    if (route == PlayerRoute::kNothing) return;
    if (route == PlayerRoute::kDesktop) {
        rt_.ui.OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString());
        return;
    }
    StopPlayback();
    {
        std::scoped_lock lock(nowPlayingLock_);
        nowPlaying_ = path;
    }
    const player::PlayResult result = player_.Play(path, name);
    if (!result.ok()) {
        {
            std::scoped_lock lock(nowPlayingLock_);
            nowPlaying_.clear();
        }
        if (result.status != player::PlayStatus::kCancelled) Message(kDeviceAlert);
    }
    Q_EMIT playbackChanged();
}

void PlayerPanel::PlayFromMyFiles(const std::vector<std::string>& selectedPaths) {
    StopPlayback();
    if (selectedPaths.empty()) return;
    if (selectedPaths.size() > 1) {
        Message("To play multiple files, you must add them to the playlist!");
        return;
    }
    fromPlaylist_ = false;
    PlayFile(selectedPaths.front());
}

void PlayerPanel::PlayDownloadFile(const std::string& path, const std::string& name) {
    StopPlayback();
    fromPlaylist_ = false;
    PlayFile(path, name);
}

void PlayerPanel::PlayFromPlaylist() {
    if (entries_.empty() || selection_.empty()) return;
    StopPlayback();
    fromPlaylist_ = true;
    current_ = selection_.front();
    Q_EMIT selectionChanged();
    PlayFile(entries_[static_cast<std::size_t>(current_)]);
}

void PlayerPanel::PlayButton(bool playlistHasFocus, const std::vector<std::string>& myFilesSelection) {
    if (player_.State() == player::PlayerState::kPaused) {
        player_.Resume();
        Q_EMIT playbackChanged();
        return;
    }
    if (playlistHasFocus) {
        PlayFromPlaylist();
    } else {
        PlayFromMyFiles(myFilesSelection);
    }
}

void PlayerPanel::PauseButton() {
    switch (player_.State()) {
        case player::PlayerState::kPlaying:
            player_.Pause();
            break;
        case player::PlayerState::kPaused:
            player_.Resume();
            break;
        case player::PlayerState::kIdle:
            return;
    }
    Q_EMIT playbackChanged();
}

void PlayerPanel::Stop() {
    StopPlayback();
}

void PlayerPanel::Next() {
    Advance(true);
}

void PlayerPanel::Previous() {
    Advance(false);
}

int PlayerPanel::ChooseIndex(bool forward, int from) {
    const int n = static_cast<int>(entries_.size());
    if (shuffle_) {
        int index = static_cast<int>(rt_.Random() % static_cast<unsigned>(n));
        // Next never plays the same entry twice in a row when there is another; Previous may.
        while (forward && n >= 2 && index == from) index = static_cast<int>(rt_.Random() % static_cast<unsigned>(n));
        return index;
    }
    if (forward) return from + 1 >= n ? 0 : from + 1;
    return from - 1 < 0 ? n - 1 : from - 1;
}

void PlayerPanel::Advance(bool forward) {
    StopPlayback();
    if (!fromPlaylist_) return;
    const int n = static_cast<int>(entries_.size());
    if (!repeat_) {
        // Counted over the whole run: a new playlist or a Play does not set it back.
        if (++advanced_ >= static_cast<std::uint32_t>(n)) {
            fromPlaylist_ = false;
            return;
        }
    } else {
        advanced_ = 0;
    }
    if (n == 0) {
        fromPlaylist_ = false;
        return;
    }
    int index = current_;
    for (int tries = 0; tries < n; ++tries) {
        index = ChooseIndex(forward, index);
        Select({index}, index);
        if (IsReadableFile(entries_[static_cast<std::size_t>(index)])) {
            PlayFile(entries_[static_cast<std::size_t>(index)]);
            return;
        }
    }
    // Not one entry could be opened: nothing plays, and nothing is said.
}

void PlayerPanel::OnTrackEnded(std::uint64_t generation, player::TrackEnd end) {
    if (generation != generation_.load()) return;  // the user started or stopped something since
    {
        std::scoped_lock lock(nowPlayingLock_);
        nowPlaying_.clear();
    }
    Q_EMIT playbackChanged();
    if (end == player::TrackEnd::kDeviceError) {
        // The sound output went away: going on would only fail again on every entry.
        fromPlaylist_ = false;
        Message(kDeviceAlert);
        return;
    }
    if (fromPlaylist_) Next();
}

// --- read-outs

std::string PlayerPanel::NowPlaying() const {
    std::scoped_lock lock(nowPlayingLock_);
    return nowPlaying_;
}

std::string PlayerPanel::TrackInfo() const {
    if (player_.State() == player::PlayerState::kIdle) return {};
    return TrackInfoText(player_.Info());
}

std::string PlayerPanel::Elapsed() const {
    return ElapsedText(player_.Position());
}

}  // namespace tandril::playlist
