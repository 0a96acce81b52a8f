#include "cli/play_file.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "cli/cli_session.h"
#include "cli/terminal_ui.h"
#include "player/player.h"
#include "player/sink_choice.h"
#include "playlist/player_choice.h"
#include "playlist/player_panel.h"
#include "playlist/readouts.h"

namespace tandril::cli {

int PlayFileHeadless(const std::string& path, const std::string& sinkChoice, TerminalUi& ui) {
    auto sink = player::SinkFactoryFor(sinkChoice);
    if (!sink) {
        ui.Print("--sink: pulse, null or wav:PATH");
        return kUsage;
    }
    if (playlist::RouteFor(path, "Internal") == playlist::PlayerRoute::kNothing) {
        ui.Print("[play] " + path + ": not an MP3, MP2 or WMA file");
        return kPlayFailed;
    }
    struct Ending {
        std::mutex mutex;
        std::condition_variable changed;
        std::optional<player::TrackEnd> end;
    };
    auto ending = std::make_shared<Ending>();
    player::Player player(*sink);
    player.SetEndOfTrackHandler([ending](player::TrackEnd end) {
        std::scoped_lock lock(ending->mutex);
        ending->end = end;
        ending->changed.notify_all();
    });
    const player::PlayResult started = player.Play(path);
    if (!started.ok()) {
        ui.Print(std::string("[play] ") + playlist::kDeviceAlert + " (" + started.detail + ")");
        return kPlayFailed;
    }
    ui.Print("[play] " + path);
    std::string shownInfo;
    std::unique_lock lock(ending->mutex);
    // The read-outs once a second, as the panel refreshes them.
    while (!ending->changed.wait_for(lock, std::chrono::seconds(1), [&] { return ending->end.has_value(); })) {
        const std::string info = playlist::TrackInfoText(player.Info());
        if (info != shownInfo) ui.Print("[play] " + info);
        shownInfo = info;
        ui.Print("[play] " + playlist::ElapsedText(player.Position()));
    }
    const player::TrackEnd end = *ending->end;
    lock.unlock();
    ui.Print("[play] " + playlist::TrackInfoText(player.Info()));
    ui.Print("[play] " + playlist::ElapsedText(player.Position()) +
             (end == player::TrackEnd::kFinished ? " end of track" : " stopped by an error"));
    if (end == player::TrackEnd::kDeviceError) ui.Print(std::string("[play] ") + playlist::kDeviceAlert);
    return end == player::TrackEnd::kFinished ? kDone : kPlayFailed;
}

}  // namespace tandril::cli
