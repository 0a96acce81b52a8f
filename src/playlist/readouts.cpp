#include "playlist/readouts.h"

#include "base/text.h"

namespace tandril::playlist {

std::string TrackInfoText(const player::StreamInfo& info) {
    switch (info.codec) {
        case player::Codec::kMpeg:
            return Format(128, "MPEG %d Layer %d, %d kbps, %d Hz", info.mpegVersion, info.layer, info.bitrateKbps, info.sampleRate);
        case player::Codec::kWma:
            return Format(128, "WMA, %d kbps, %d Hz", info.bitrateKbps, info.sampleRate);
        case player::Codec::kNone:
            break;
    }
    return "Playing unknown file type!";
}

std::string ElapsedText(std::chrono::milliseconds elapsed) {
    const long long seconds = std::max<long long>(0, elapsed.count() / 1000);
    return Format(32, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

}  // namespace tandril::playlist
