#include "player/pulse_sink.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace tandril::player {

namespace {

// Every wait re-checks its deadline and the abort flag at least this often.
constexpr pa_usec_t kTickUsec = 50 * 1000;

class MainloopLock {
public:
    explicit MainloopLock(pa_threaded_mainloop* m) : m_(m) { pa_threaded_mainloop_lock(m_); }
    ~MainloopLock() { pa_threaded_mainloop_unlock(m_); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

private:
    pa_threaded_mainloop* m_;
};

void UnrefOperation(pa_operation* op) {
    if (op) pa_operation_unref(op);
}

}  // namespace

PulseSink::PulseSink() : PulseSink(Options{}) {}

PulseSink::PulseSink(Options options) : options_(std::move(options)) {}

PulseSink::~PulseSink() {
    Close();
}

void PulseSink::OnContextState(pa_context*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseSink*>(self)->mainloop_, 0);
}

void PulseSink::OnStreamState(pa_stream*, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseSink*>(self)->mainloop_, 0);
}

void PulseSink::OnStreamWrite(pa_stream*, size_t, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseSink*>(self)->mainloop_, 0);
}

void PulseSink::OnTick(pa_mainloop_api*, pa_time_event* event, const timeval*, void* self) {
    auto* sink = static_cast<PulseSink*>(self);
    pa_context_rttime_restart(sink->context_, event, pa_rtclock_now() + kTickUsec);
    pa_threaded_mainloop_signal(sink->mainloop_, 0);
}

template <class Done>
PulseSink::WaitEnd PulseSink::WaitLocked(Done done, std::chrono::milliseconds timeout, bool whilePausedToo) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (aborted_) return WaitEnd::kAborted;
        if (done()) return WaitEnd::kDone;
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) return WaitEnd::kFailed;
        if (stream_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) return WaitEnd::kFailed;
        auto now = std::chrono::steady_clock::now();
        // A paused stream takes nothing and plays nothing: that is the user's choice, not a stall.
        if (whilePausedToo && paused_) deadline = now + timeout;
        if (now >= deadline) return WaitEnd::kTimedOut;
        pa_threaded_mainloop_wait(mainloop_);
    }
}

std::string PulseSink::ContextErrorLocked() const {
    return pa_strerror(pa_context_errno(context_));
}

SinkResult PulseSink::Connect() {
    {
        std::scoped_lock life(lifeMutex_);
        if (aborted_) return SinkResult::Failure("aborted");
        if (!mainloop_) {
            mainloop_ = pa_threaded_mainloop_new();
            if (!mainloop_) return SinkResult::Failure("cannot create a PulseAudio main loop");
            context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), options_.applicationName.c_str());
            if (!context_) {
                pa_threaded_mainloop_free(mainloop_);
                mainloop_ = nullptr;
                return SinkResult::Failure("cannot create a PulseAudio context");
            }
            pa_context_set_state_callback(context_, &PulseSink::OnContextState, this);
            // No autospawn: starting a sound server is the desktop's business, and spawning one
            // from here would make the attempt as slow as the daemon's start.
            const char* server = options_.server.empty() ? nullptr : options_.server.c_str();
            bool started =
                pa_context_connect(context_, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 && pa_threaded_mainloop_start(mainloop_) >= 0;
            if (!started) {
                std::string why = pa_strerror(pa_context_errno(context_));
                pa_context_unref(context_);
                context_ = nullptr;
                pa_threaded_mainloop_free(mainloop_);
                mainloop_ = nullptr;
                return SinkResult::Failure("cannot connect to the sound server: " + why);
            }
            MainloopLock lock(mainloop_);
            tick_ = pa_context_rttime_new(context_, pa_rtclock_now() + kTickUsec, &PulseSink::OnTick, this);
        }
    }
    std::string why;
    WaitEnd end;
    {
        MainloopLock lock(mainloop_);
        end = WaitLocked([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; }, options_.connectTimeout, false);
        if (end == WaitEnd::kFailed) why = ContextErrorLocked();
    }
    switch (end) {
        case WaitEnd::kDone:
            return {};
        case WaitEnd::kTimedOut:
            why = "the sound server did not answer in time";
            break;
        case WaitEnd::kAborted:
            why = "aborted";
            break;
        case WaitEnd::kFailed:
            why = "cannot connect to the sound server: " + why;
            break;
    }
    Close();
    return SinkResult::Failure(why);
}

void PulseSink::CloseStreamLocked() {
    if (!stream_) return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    format_ = {};
}

SinkResult PulseSink::Open(const AudioFormat& format) {
    if (!format.Valid()) return SinkResult::Failure("invalid format");
    bool connected = false;
    {
        std::scoped_lock life(lifeMutex_);
        connected = mainloop_ != nullptr;
    }
    if (!connected) {
        if (auto result = Connect(); !result.ok) return result;
    }
    if (format_ == format && stream_) return {};
    // What the old stream holds plays out first, so that a change of format loses no sound.
    if (stream_) Drain();

    std::string why;
    WaitEnd end;
    {
        MainloopLock lock(mainloop_);
        CloseStreamLocked();
        pa_sample_spec spec{PA_SAMPLE_S16NE, static_cast<uint32_t>(format.sampleRate), static_cast<uint8_t>(format.channels)};
        if (format.channels > static_cast<int>(PA_CHANNELS_MAX) || !pa_sample_spec_valid(&spec))
            return SinkResult::Failure("unsupported format");
        stream_ = pa_stream_new(context_, options_.streamName.c_str(), &spec, nullptr);
        if (!stream_) return SinkResult::Failure("cannot create a stream: " + ContextErrorLocked());
        pa_stream_set_state_callback(stream_, &PulseSink::OnStreamState, this);
        pa_stream_set_write_callback(stream_, &PulseSink::OnStreamWrite, this);
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(static_cast<pa_usec_t>(options_.bufferTarget.count()) * 1000, &spec));
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | (paused_ ? PA_STREAM_START_CORKED : 0));
        if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
            why = ContextErrorLocked();
            CloseStreamLocked();
            return SinkResult::Failure("cannot open a playback stream: " + why);
        }
        end = WaitLocked([&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; }, options_.connectTimeout, false);
        if (end == WaitEnd::kDone) {
            format_ = format;
            return {};
        }
        why = end == WaitEnd::kTimedOut  ? "the sound server did not open the stream in time"
              : end == WaitEnd::kAborted ? "aborted"
                                         : "cannot open a playback stream: " + ContextErrorLocked();
        CloseStreamLocked();
    }
    return SinkResult::Failure(why);
}

bool PulseSink::Write(std::span<const int16_t> samples) {
    if (aborted_) return false;
    {
        std::scoped_lock life(lifeMutex_);
        if (!mainloop_) return false;
    }
    MainloopLock lock(mainloop_);
    if (!stream_) return false;
    const size_t frameBytes = pa_frame_size(pa_stream_get_sample_spec(stream_));
    auto* data = reinterpret_cast<const uint8_t*>(samples.data());
    size_t left = samples.size_bytes();
    while (left > 0) {
        size_t writable = 0;
        auto end = WaitLocked(
            [&] {
                writable = pa_stream_writable_size(stream_);
                return writable != static_cast<size_t>(-1) && writable >= frameBytes;
            },
            options_.stallTimeout, true);
        if (end != WaitEnd::kDone) return false;
        size_t chunk = std::min(writable, left);
        chunk -= chunk % frameBytes;
        if (pa_stream_write(stream_, data, chunk, nullptr, 0, PA_SEEK_RELATIVE) < 0) return false;
        data += chunk;
        left -= chunk;
    }
    return true;
}

bool PulseSink::Drain() {
    if (aborted_) return false;
    {
        std::scoped_lock life(lifeMutex_);
        if (!mainloop_) return false;
    }
    MainloopLock lock(mainloop_);
    if (!stream_) return true;
    struct Pending {
        PulseSink* sink;
        bool done = false;
        bool success = false;
    } pending{this};
    auto onDrained = [](pa_stream*, int success, void* userdata) {
        auto* p = static_cast<Pending*>(userdata);
        p->done = true;
        p->success = success != 0;
        pa_threaded_mainloop_signal(p->sink->mainloop_, 0);
    };
    pa_operation* op = pa_stream_drain(stream_, onDrained, &pending);
    if (!op) return false;
    auto end = WaitLocked([&] { return pending.done; }, options_.bufferTarget + options_.stallTimeout, true);
    // The callback holds a pointer to `pending`: it must not run once this returns.
    if (!pending.done) pa_operation_cancel(op);
    pa_operation_unref(op);
    return end == WaitEnd::kDone && pending.success;
}

void PulseSink::SetPaused(bool paused) {
    std::scoped_lock life(lifeMutex_);
    paused_ = paused;
    if (!mainloop_) return;
    MainloopLock lock(mainloop_);
    if (stream_) UnrefOperation(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
    pa_threaded_mainloop_signal(mainloop_, 0);
}

void PulseSink::Abort() {
    std::scoped_lock life(lifeMutex_);
    aborted_ = true;
    if (!mainloop_) return;
    MainloopLock lock(mainloop_);
    if (stream_) {
        // Silence now: what the server holds would otherwise play on until the stream is closed.
        UnrefOperation(pa_stream_cork(stream_, 1, nullptr, nullptr));
        UnrefOperation(pa_stream_flush(stream_, nullptr, nullptr));
    }
    pa_threaded_mainloop_signal(mainloop_, 0);
}

void PulseSink::Close() {
    std::scoped_lock life(lifeMutex_);
    if (!mainloop_) return;
    {
        MainloopLock lock(mainloop_);
        CloseStreamLocked();
        if (tick_) {
            pa_threaded_mainloop_get_api(mainloop_)->time_free(tick_);
            tick_ = nullptr;
        }
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
    mainloop_ = nullptr;
}

}  // namespace tandril::player
