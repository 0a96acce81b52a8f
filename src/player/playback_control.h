#pragma once
// What the player shares with whatever plays now (its engine thread, or a fed stream decoder on
// the streaming worker's thread): the sound output, stop, pause, volume, position and stream
// info. Either side may outlive the other, hence the shared ownership.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "player/audio_sink.h"
#include "player/stream_info.h"

namespace tandril::player {

class PlaybackControl {
public:
    PlaybackControl(std::unique_ptr<AudioSink> sink, int volumePercent);

    // --- the playing side (one thread at a time)
    AudioSink& sink() { return *sink_; }
    // Opens the output for `format` if it is not open for it yet. An engine code.
    int OpenSink(const AudioFormat& format);
    // Waits while paused, applies the volume and writes `pcm` (which it may change). An engine
    // code: kEngineOk, kEngineStopped or kEngineDeviceError.
    int Deliver(std::vector<int16_t>& pcm, const AudioFormat& format);
    void PublishInfo(const StreamInfo& info);
    void MarkFinished() { finished_ = true; }
    // The last thing an engine thread does: joining it now cannot wait on anything.
    void MarkExited() { exited_ = true; }

    // --- any thread
    void RequestStop();
    bool StopRequested() const;
    void SetPaused(bool paused);
    bool Paused() const;
    void SetVolume(int percent) { volume_ = percent; }
    std::chrono::milliseconds Position() const { return std::chrono::milliseconds(playedUs_.load() / 1000); }
    StreamInfo Info() const;
    std::string SinkError() const;
    bool Finished() const { return finished_; }
    bool Exited() const { return exited_; }
    // The player's count of the user's own Stop and Play calls when this playback was installed;
    // guarded by the player's lock. An end-of-track handler whose playback is older than the
    // user's last call must not start another track behind the user's back.
    uint64_t userEpoch = 0;

private:
    std::unique_ptr<AudioSink> sink_;
    // Keeps the sink's pause in the order of the calls, so a quick pause and resume from two
    // threads cannot leave the sink paused while the control is not.
    std::mutex pauseOrder_;
    mutable std::mutex mutex_;
    std::condition_variable resumed_;
    bool paused_ = false;
    bool stop_ = false;
    StreamInfo info_;
    std::string sinkError_;
    std::atomic<int> volume_;
    std::atomic<int64_t> playedUs_{0};
    std::atomic<bool> finished_{false};
    std::atomic<bool> exited_{false};
    // Used by the playing side only.
    AudioFormat openFormat_;
    int64_t playedRemainder_ = 0;
};

// Scales samples to `percent` (0..100) of their amplitude; 100 leaves them bit for bit.
// The volume is applied here rather than through the sound server: it then works the same on
// every output (the WAV file and the null sink too, which is how it is tested), and it never
// changes the level the server keeps for the application's streams. The price is that a change
// is heard once the output's buffer (about 200 ms) has played out.
void ApplyVolume(std::vector<int16_t>& pcm, int percent);

}  // namespace tandril::player
