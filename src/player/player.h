#pragma once
// The built-in player: one file or one fed stream at a time, decoded on an engine thread (or on
// the streaming worker's own thread) into a sound output made for each playback.
//
// Every public call is safe from any thread. Stop() and the destructor end the engine thread and
// wait for it (it ends within a few milliseconds: every wait inside it is woken by a stop).
// The end-of-track handler runs on the engine's thread; it may call Play, Stop and the rest (a
// playlist's Next does), but must not destroy the player, and should be quick. It may run until
// Stop() returns or the player is destroyed: what it uses must live that long.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "player/audio_sink.h"
#include "player/stream_decoder.h"
#include "player/stream_info.h"

namespace tandril::player {

class Decoder;
class PlaybackControl;

// Which engine a file goes to, by the text after its name's last dot, in any case.
enum class EngineKind { kNone, kMpeg, kFfmpeg };
EngineKind EngineForPath(std::string_view path);

enum class PlayStatus {
    kPlaying,
    kNotPlayable,     // neither MP3, MP2 nor WMA: nothing was done (what plays goes on)
    kCannotOpenFile,  // missing, unreadable, or no audio the engine can decode
    kDeviceError,     // the sound output cannot be opened
    kCancelled,       // asked from an end-of-track handler after the user had stopped or replaced it,
                      // or while the player is being destroyed
};

struct PlayResult {
    PlayStatus status = PlayStatus::kPlaying;
    std::string detail;  // why, for logs; the user sees the device alert for both kinds of failure
    bool ok() const { return status == PlayStatus::kPlaying; }
};

enum class PlayerState { kIdle, kPlaying, kPaused };
enum class TrackEnd { kFinished, kDecodeError, kDeviceError };

class Player {
public:
    // `makeSink` gives a fresh sound output for each playback.
    explicit Player(SinkFactory makeSink);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Stops what plays and starts `file` on the engine its extension names (or, when given, the
    // extension of `name`: a download still being written has an ending of its own). Opens the
    // file and the sound output before returning, so that both failures come back here.
    PlayResult Play(const std::filesystem::path& file, std::string_view name = {});
    void Pause();
    void Resume();
    // Ends what plays (sound stops at once) and waits for its engine thread. No end-of-track call
    // follows. A fed stream's next steps return kEngineStopped.
    void Stop();
    // 0..100 percent of amplitude; applies to what plays now and later.
    void SetVolume(int percent);
    int Volume() const;

    PlayerState State() const;
    // Time of the sound handed to the output (the last playback's, once it ended).
    std::chrono::milliseconds Position() const;
    StreamInfo Info() const;
    void SetEndOfTrackHandler(std::function<void(TrackEnd)> handler);

    // Feed mode for streaming: stops what plays; the decoder plays on the thread that feeds it,
    // and the player's Pause, Stop, volume, position and info apply to it. nullptr when the
    // decoding library cannot make a decoder (`error` says why).
    std::unique_ptr<StreamDecoder> CreateStreamDecoder(std::string& error);

private:
    struct Session {
        std::shared_ptr<PlaybackControl> control;
        std::shared_ptr<Decoder> decoder;  // file playback only, to interrupt its reads
        std::jthread thread;               // file playback only
    };

    static void RunEngine(Player* owner, std::shared_ptr<PlaybackControl> control, std::shared_ptr<Decoder> decoder,
                          std::vector<int16_t> firstPiece);
    void NotifyTrackEnd(TrackEnd end);
    std::shared_ptr<PlaybackControl> Current() const;
    // Puts `session` (which may be empty) to an end: joins its thread, or hands it to `retired_`
    // when this thread may not wait for it. Called without `mutex_`.
    void EndSession(std::unique_ptr<Session> session);
    void JoinRetired();
    // Installs `session` (and starts its engine with `firstPiece`, for a file) unless the call
    // must be refused; hands back what it replaced.
    bool Install(std::unique_ptr<Session>& session, std::vector<int16_t>* firstPiece, std::unique_ptr<Session>& replaced);
    void StopCurrent();
    // A Stop, Play or stream from the user (any thread but an engine's) outdates every handler
    // already running. false: the caller is a handler that is outdated already.
    bool CountUserCall();
    // The playback whose engine thread this is, when it is one of this player's.
    PlaybackControl* OwnEngineControl() const;

    SinkFactory makeSink_;
    mutable std::mutex mutex_;
    std::unique_ptr<Session> session_;
    // Sessions stopped from an engine thread, which may not wait for another engine thread;
    // joined by the next call from any other thread, or by the destructor.
    std::vector<std::unique_ptr<Session>> retired_;
    std::function<void(TrackEnd)> endHandler_;
    int volume_ = 100;
    bool closing_ = false;
    uint64_t userEpoch_ = 0;
};

}  // namespace tandril::player
