#include "player/null_sink.h"

namespace tandril::player {

NullSink::NullSink(std::shared_ptr<NullSinkTally> tally) : tally_(std::move(tally)) {
    if (!tally_) tally_ = std::make_shared<NullSinkTally>();
}

SinkResult NullSink::Open(const AudioFormat& format) {
    if (!format.Valid()) return SinkResult::Failure("invalid format");
    channels_ = format.channels;
    tally_->sampleRate = format.sampleRate;
    tally_->channels = format.channels;
    ++tally_->opens;
    return {};
}

bool NullSink::Write(std::span<const int16_t> samples) {
    if (aborted_ || channels_ == 0) return false;
    tally_->frames += static_cast<int64_t>(samples.size()) / channels_;
    return true;
}

}  // namespace tandril::player
