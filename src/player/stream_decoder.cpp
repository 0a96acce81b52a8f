#include "player/stream_decoder.h"

#include "player/engine_codes.h"
#include "player/mpg123_decoder.h"
#include "player/playback_control.h"

namespace tandril::player {

StreamDecoder::StreamDecoder(std::shared_ptr<PlaybackControl> control, std::unique_ptr<Mpg123Decoder> decoder)
    : control_(std::move(control)), decoder_(std::move(decoder)) {}

StreamDecoder::~StreamDecoder() {
    Stop();
    std::scoped_lock lock(use_);
    ReleaseLocked();
}

void StreamDecoder::ReleaseLocked() {
    if (released_) return;
    released_ = true;
    control_->sink().Close();
    control_->MarkFinished();
}

int StreamDecoder::Start() {
    std::scoped_lock lock(use_);
    if (released_ || control_->StopRequested()) return kEngineStopped;
    if (started_) return kEngineOk;
    auto connected = control_->sink().Connect();
    if (!connected.ok) return kEngineDeviceError;
    started_ = true;
    return kEngineOk;
}

int StreamDecoder::Feed(std::span<const std::byte> block) {
    std::scoped_lock lock(use_);
    if (!started_ || released_) return kEngineNotStarted;
    if (control_->StopRequested()) return kEngineStopped;
    return decoder_->Feed(block);
}

int StreamDecoder::Step() {
    std::scoped_lock lock(use_);
    if (!started_ || released_) return kEngineNotStarted;
    if (control_->StopRequested()) return kEngineStopped;
    int code = decoder_->Decode(pcm_);
    control_->PublishInfo(decoder_->Info());
    if (code == kEngineOk && !pcm_.empty()) code = control_->Deliver(pcm_, decoder_->Format());
    return code;
}

int StreamDecoder::FeedAndDecode(std::span<const std::byte> block) {
    if (int code = Feed(block); code != kEngineOk) return code;
    for (;;) {
        if (int code = Step(); code != kEngineOk) return code;
    }
}

int StreamDecoder::Finish() {
    std::scoped_lock lock(use_);
    if (released_) return kEngineNotStarted;
    int code = kEngineOk;
    if (control_->StopRequested()) {
        code = kEngineStopped;
    } else if (started_ && !control_->sink().Drain()) {
        code = control_->StopRequested() ? kEngineStopped : kEngineDeviceError;
    }
    ReleaseLocked();
    return code;
}

void StreamDecoder::Stop() {
    control_->RequestStop();
}

StreamInfo StreamDecoder::Info() const {
    return control_->Info();
}

}  // namespace tandril::player
