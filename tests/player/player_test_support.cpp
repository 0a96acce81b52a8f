#include "player/player_test_support.h"

namespace tandril::test {

TrackEndWaiter::TrackEndWaiter(player::Player& player) {
    player.SetEndOfTrackHandler([state = state_](player::TrackEnd end) {
        {
            std::scoped_lock lock(state->mutex);
            state->ends.push_back(end);
        }
        state->changed.notify_all();
    });
}

std::optional<player::TrackEnd> TrackEndWaiter::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(state_->mutex);
    if (!state_->changed.wait_for(lock, timeout, [&] { return !state_->ends.empty(); })) return std::nullopt;
    return state_->ends.front();
}

int TrackEndWaiter::Count() const {
    std::scoped_lock lock(state_->mutex);
    return static_cast<int>(state_->ends.size());
}

std::vector<int16_t> Capture::Samples() {
    std::scoped_lock lock(mutex);
    return samples;
}

void Capture::Update(const std::function<void(Capture&)>& change) {
    {
        std::scoped_lock lock(mutex);
        change(*this);
    }
    changed.notify_all();
}

player::SinkResult CaptureSink::Open(const player::AudioFormat& format) {
    capture_->Update([&](Capture& c) { c.format = format; });
    return {};
}

bool CaptureSink::Write(std::span<const int16_t> samples) {
    std::unique_lock lock(capture_->mutex);
    if (!capture_->gateOpen) {
        ++capture_->writesWaiting;
        capture_->changed.notify_all();
        capture_->changed.wait(lock, [&] { return capture_->aborted || capture_->gateOpen; });
    }
    if (capture_->aborted) return false;
    capture_->samples.insert(capture_->samples.end(), samples.begin(), samples.end());
    ++capture_->writes;
    lock.unlock();
    capture_->changed.notify_all();
    return true;
}

bool CaptureSink::Drain() {
    std::scoped_lock lock(capture_->mutex);
    return !capture_->aborted;
}

void CaptureSink::SetPaused(bool paused) {
    capture_->Update([&](Capture& c) { c.pauses.push_back(paused); });
}

void CaptureSink::Abort() {
    capture_->Update([](Capture& c) { c.aborted = true; });
}

void CaptureSink::Close() {
    capture_->Update([](Capture& c) { c.closed = true; });
}

player::SinkFactory CaptureTo(std::shared_ptr<Capture> capture) {
    return [capture] { return std::make_unique<CaptureSink>(capture); };
}

}  // namespace tandril::test
