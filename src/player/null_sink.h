#pragma once
// A sink that plays nothing and only counts: for tests, benchmarks and machines without sound.

#include <atomic>
#include <memory>

#include "player/audio_sink.h"

namespace tandril::player {

// Shared with whoever wants to read the counts while the sink lives on the engine's thread.
struct NullSinkTally {
    std::atomic<int64_t> frames{0};
    std::atomic<int> opens{0};
    std::atomic<int> sampleRate{0};
    std::atomic<int> channels{0};
};

class NullSink : public AudioSink {
public:
    explicit NullSink(std::shared_ptr<NullSinkTally> tally = std::make_shared<NullSinkTally>());

    SinkResult Connect() override { return {}; }
    SinkResult Open(const AudioFormat& format) override;
    bool Write(std::span<const int16_t> samples) override;
    bool Drain() override { return !aborted_; }
    void SetPaused(bool) override {}
    void Abort() override { aborted_ = true; }
    void Close() override {}

    const NullSinkTally& tally() const { return *tally_; }

private:
    std::shared_ptr<NullSinkTally> tally_;
    int channels_ = 0;
    std::atomic<bool> aborted_{false};
};

}  // namespace tandril::player
