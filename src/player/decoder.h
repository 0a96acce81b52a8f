#pragma once
// The engine interface: something that turns a compressed stream into PCM, one piece at a time.
// A decoder is used by one thread at a time (the player hands it from the caller to its engine
// thread once, before that thread starts).

#include <cstdint>
#include <string>
#include <vector>

#include "player/stream_info.h"

namespace tandril::player {

class Decoder {
public:
    virtual ~Decoder() = default;

    // Replaces `pcm` with the next decoded piece (interleaved, in Format()); it may come back empty
    // with kEngineOk when a step produced no sound yet (a header, a skipped frame). Returns an
    // engine code: kEngineOk, kNeedMoreData (fed decoders), kEngineEndOfStream, or an error.
    virtual int Decode(std::vector<int16_t>& pcm) = 0;
    // The format of the last piece handed out (invalid before the first).
    virtual AudioFormat Format() const = 0;
    virtual StreamInfo Info() const = 0;
    // The detailed text of the last error, for logs and the "Unable to ..." alerts.
    virtual std::string LastErrorText() const = 0;
    // Makes a Decode blocked in reading its input return soon (kEngineStopped). Any thread.
    virtual void Interrupt() {}
};

}  // namespace tandril::player
