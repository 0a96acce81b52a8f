#include "player/playback_control.h"

#include <algorithm>

#include "player/engine_codes.h"

namespace tandril::player {

void ApplyVolume(std::vector<int16_t>& pcm, int percent) {
    percent = std::clamp(percent, 0, 100);
    if (percent == 100) return;
    for (auto& sample : pcm) sample = static_cast<int16_t>(sample * percent / 100);
}

PlaybackControl::PlaybackControl(std::unique_ptr<AudioSink> sink, int volumePercent) : sink_(std::move(sink)), volume_(volumePercent) {}

int PlaybackControl::OpenSink(const AudioFormat& format) {
    if (openFormat_ == format) return 0;
    auto opened = sink_->Open(format);
    if (!opened.ok) {
        std::scoped_lock lock(mutex_);
        sinkError_ = opened.error;
        return stop_ ? kEngineStopped : kEngineDeviceError;
    }
    openFormat_ = format;
    return kEngineOk;
}

int PlaybackControl::Deliver(std::vector<int16_t>& pcm, const AudioFormat& format) {
    {
        // Waits for the user: Resume and Stop both end it.
        std::unique_lock lock(mutex_);
        resumed_.wait(lock, [&] { return !paused_ || stop_; });
        if (stop_) return kEngineStopped;
    }
    if (pcm.empty()) return kEngineOk;
    if (!format.Valid() || pcm.size() % format.channels != 0) return kEngineDecodeError;
    if (int code = OpenSink(format); code != kEngineOk) return code;
    ApplyVolume(pcm, volume_);
    if (!sink_->Write(pcm)) {
        std::scoped_lock lock(mutex_);
        if (stop_) return kEngineStopped;
        if (sinkError_.empty()) sinkError_ = "the sound output failed";
        return kEngineDeviceError;
    }
    // Whole microseconds are added and the rest carried, so that hours of small pieces at any
    // rate do not drift.
    int64_t scaled = static_cast<int64_t>(pcm.size() / format.channels) * 1'000'000 + playedRemainder_;
    playedUs_ += scaled / format.sampleRate;
    playedRemainder_ = scaled % format.sampleRate;
    return kEngineOk;
}

void PlaybackControl::PublishInfo(const StreamInfo& info) {
    std::scoped_lock lock(mutex_);
    info_ = info;
}

StreamInfo PlaybackControl::Info() const {
    std::scoped_lock lock(mutex_);
    return info_;
}

std::string PlaybackControl::SinkError() const {
    std::scoped_lock lock(mutex_);
    return sinkError_;
}

void PlaybackControl::RequestStop() {
    {
        std::scoped_lock lock(mutex_);
        stop_ = true;
    }
    resumed_.notify_all();
    sink_->Abort();
}

bool PlaybackControl::StopRequested() const {
    std::scoped_lock lock(mutex_);
    return stop_;
}

void PlaybackControl::SetPaused(bool paused) {
    std::scoped_lock order(pauseOrder_);
    {
        std::scoped_lock lock(mutex_);
        if (stop_ || paused_ == paused) return;
        paused_ = paused;
    }
    resumed_.notify_all();
    sink_->SetPaused(paused);
}

bool PlaybackControl::Paused() const {
    std::scoped_lock lock(mutex_);
    return paused_;
}

}  // namespace tandril::player
