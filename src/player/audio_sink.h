#pragma once
// Where decoded PCM goes: the sound server, or a counter or a WAV file in tests and headless runs.
//
// Threading: one thread (the engine's) calls Open, Write, Drain and Close; SetPaused and Abort may
// come from any other thread at the same time, and must make a blocked Write or Drain return.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "player/stream_info.h"

namespace tandril::player {

struct SinkResult {
    bool ok = true;
    std::string error;  // why it failed, for logs and details; the user sees the device alert
    static SinkResult Failure(std::string why) { return {false, std::move(why)}; }
};

class AudioSink {
public:
    virtual ~AudioSink() = default;

    // Reaches the device without choosing a format yet (a fed stream learns its format from the
    // first frame, but wants to know at start whether it can play at all). Bounded in time.
    virtual SinkResult Connect() = 0;
    // Prepares for `format`; connects first if needed. Called again when the format changes.
    virtual SinkResult Open(const AudioFormat& format) = 0;
    // Blocks until `samples` (interleaved, whole frames) are handed over, the sink is aborted, or
    // the device fails. false: aborted or failed.
    virtual bool Write(std::span<const int16_t> samples) = 0;
    // Lets what was written play out (bounded). false when aborted or failed.
    virtual bool Drain() = 0;
    // Paused output keeps what was written and goes silent at once; a Write waits until resumed.
    virtual void SetPaused(bool paused) = 0;
    // Silences the output at once and makes every blocked and later Write and Drain return false.
    virtual void Abort() = 0;
    // Releases the device (what is still buffered is dropped). Safe to call twice.
    virtual void Close() = 0;
};

// Gives a fresh sound output for each playback.
using SinkFactory = std::function<std::unique_ptr<AudioSink>()>;

}  // namespace tandril::player
