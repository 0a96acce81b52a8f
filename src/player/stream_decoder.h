#pragma once
// Feed mode for streaming: blocks of an MPEG audio stream pushed in as they arrive, decoded and
// played on the feeding thread (the sound output's pace then paces the download).
//
//     auto stream = player.CreateStreamDecoder(error);   // nullptr: cannot be created
//     if (stream->Start() != kEngineOk) ...               // no sound output
//     for each block: code = stream->FeedAndDecode(block); // kNeedMoreData: next block; else error
//     stream->Finish();                                    // or Stop() to cut it off
//
// Decode codes: kEngineOk (a frame was decoded and played; step again), kNeedMoreData (every fed
// byte is used: feed the next block), anything else ends the stream; EngineErrorText(code)
// gives its text. All calls are safe from any thread; Stop() is the one meant to come from
// another thread while the feeding one steps.

#include <cstddef>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "player/stream_info.h"

namespace tandril::player {

class Mpg123Decoder;
class PlaybackControl;

class StreamDecoder {
public:
    StreamDecoder(std::shared_ptr<PlaybackControl> control, std::unique_ptr<Mpg123Decoder> decoder);
    // Stops and releases the sound output.
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // Reaches the sound output (its format is set by the first decoded frame): kEngineOk, or
    // kEngineDeviceError when there is no device.
    int Start();
    // Hands a block over (copied); decodes nothing yet. kEngineOk or an error code.
    int Feed(std::span<const std::byte> block);
    // Decodes one frame and plays it (blocking while the output is full or paused).
    int Step();
    // Feed, then Step until the block is used up: kNeedMoreData, or the code that ended it.
    int FeedAndDecode(std::span<const std::byte> block);
    // Lets what was decoded play out, then releases the output. A partial last frame is dropped.
    int Finish();
    // Silences the output at once; later steps return kEngineStopped. Any thread.
    void Stop();

    StreamInfo Info() const;

private:
    void ReleaseLocked();

    std::shared_ptr<PlaybackControl> control_;
    std::mutex use_;  // one feeding thread at a time; not taken by Stop()
    std::unique_ptr<Mpg123Decoder> decoder_;
    std::vector<int16_t> pcm_;
    bool started_ = false;
    bool released_ = false;
};

}  // namespace tandril::player
