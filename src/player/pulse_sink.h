#pragma once
// Sound output through a PulseAudio server (PipeWire desktops serve the same protocol).
//
// This uses libpulse's threaded main loop rather than its blocking "simple" API: pa_simple_new
// waits 30 s for a server that accepts the connection but does not answer, and pa_simple_write
// waits for ever on a server that stops reading, which would leave Stop() unable to end the
// engine's thread. Here every wait has a deadline and Abort() wakes it.

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "player/audio_sink.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

namespace tandril::player {

class PulseSink : public AudioSink {
public:
    struct Options {
        // Empty: libpulse's own choice ($PULSE_SERVER, client.conf, the user's runtime folder).
        std::string server;
        std::string applicationName = "Tandril";
        std::string streamName = "Player";
        // Connecting to the server and creating a stream, each.
        std::chrono::milliseconds connectTimeout{2000};
        // A server that takes nothing for this long (while not paused) is taken as gone.
        std::chrono::milliseconds stallTimeout{3000};
        // What the server keeps buffered: how long a pause, a stop or a volume change takes to be
        // heard, against how long the engine's thread may be late without a gap.
        std::chrono::milliseconds bufferTarget{200};
    };

    PulseSink();
    explicit PulseSink(Options options);
    ~PulseSink() override;
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    SinkResult Connect() override;
    SinkResult Open(const AudioFormat& format) override;
    bool Write(std::span<const int16_t> samples) override;
    bool Drain() override;
    void SetPaused(bool paused) override;
    void Abort() override;
    void Close() override;

private:
    enum class WaitEnd { kDone, kTimedOut, kAborted, kFailed };
    template <class Done>
    WaitEnd WaitLocked(Done done, std::chrono::milliseconds timeout, bool whilePausedToo);
    std::string ContextErrorLocked() const;
    void CloseStreamLocked();

    static void OnContextState(pa_context*, void* self);
    static void OnStreamState(pa_stream*, void* self);
    static void OnStreamWrite(pa_stream*, size_t, void* self);
    static void OnTick(pa_mainloop_api*, pa_time_event*, const timeval*, void* self);

    Options options_;
    // Guards the existence of the main loop, so that Abort and SetPaused from another thread never
    // see it half made or half gone. Taken before the main loop's own lock, never after it.
    std::mutex lifeMutex_;
    // The rest is used under the main loop's lock once the loop runs.
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* tick_ = nullptr;
    AudioFormat format_;
    std::atomic<bool> aborted_{false};
    std::atomic<bool> paused_{false};
};

}  // namespace tandril::player
