#pragma once
// The texts of the player panel's two read-outs.

#include <chrono>
#include <string>

#include "player/stream_info.h"

namespace tandril::playlist {

// "MPEG %d Layer %d, %d kbps, %d Hz", "WMA, %d kbps, %d Hz", or "Playing unknown file type!".
std::string TrackInfoText(const player::StreamInfo& info);
// "%02d:%02d:%02d" (hours, minutes, seconds).
std::string ElapsedText(std::chrono::milliseconds elapsed);

}  // namespace tandril::playlist
