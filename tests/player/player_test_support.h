#pragma once
// Sinks and waits shared by the player's tests.

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "player/audio_sink.h"
#include "player/player.h"

namespace tandril::test {

// Waits (bounded) for the player's end-of-track call and keeps what it said. What the handler
// touches is shared with it, so the waiter may go before the player's engine thread is done.
class TrackEndWaiter {
public:
    explicit TrackEndWaiter(player::Player& player);
    std::optional<player::TrackEnd> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    int Count() const;

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<player::TrackEnd> ends;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// What a CaptureSink saw; shared with the test while the sink lives on the engine's thread.
struct Capture {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int16_t> samples;
    player::AudioFormat format;
    int writes = 0;
    int writesWaiting = 0;     // Writes that found the gate closed
    std::vector<bool> pauses;  // SetPaused calls, in order
    bool aborted = false;
    bool closed = false;
    // Writes wait while this is false (a test's hand on the output's pace).
    bool gateOpen = true;

    std::vector<int16_t> Samples();
    // Waits until `done()` holds (under the lock); false on time-out.
    template <class Done>
    bool WaitFor(Done done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, done);
    }
    void Update(const std::function<void(Capture&)>& change);
};

// Keeps every sample written; Write blocks while the gate is closed, until it opens or the sink is
// aborted, like a device that takes nothing.
class CaptureSink : public player::AudioSink {
public:
    explicit CaptureSink(std::shared_ptr<Capture> capture) : capture_(std::move(capture)) {}
    player::SinkResult Connect() override { return {}; }
    player::SinkResult Open(const player::AudioFormat& format) override;
    bool Write(std::span<const int16_t> samples) override;
    bool Drain() override;
    void SetPaused(bool paused) override;
    void Abort() override;
    void Close() override;

private:
    std::shared_ptr<Capture> capture_;
};

player::SinkFactory CaptureTo(std::shared_ptr<Capture> capture);

}  // namespace tandril::test
