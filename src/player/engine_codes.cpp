#include "player/engine_codes.h"

#include <mpg123.h>

namespace tandril::player {

std::string EngineErrorText(int code) {
    switch (code) {
        case kEngineOk:
            return "No error";
        case kNeedMoreData:
            return "Needs more data";
        case kEngineStopped:
            return "Playback stopped";
        case kEngineDeviceError:
            return "Can't open playback device! It might already be used.";
        case kEngineNotStarted:
            return "Decoder not started";
        case kEngineEndOfStream:
            return "End of stream";
        case kEngineDecodeError:
            return "Unable to decode the stream";
        default:
            break;
    }
    if (code < kMpg123ErrorBase && code > kMpg123ErrorBase - 1000) {
        return mpg123_plain_strerror(kMpg123ErrorBase - code);
    }
    return "Unknown engine error " + std::to_string(code);
}

}  // namespace tandril::player
