#pragma once
// Status codes of the decoding engines. 0 and kNeedMoreData mean "can go on"; every other code
// ends what is playing, and EngineErrorText gives its text.

#include <string>

namespace tandril::player {

inline constexpr int kEngineOk = 0;
// The feed-mode decoder has used every byte it was given: feed the next block.
inline constexpr int kNeedMoreData = -600;
// Stop() was called (by the owner or through the player) while decoding or writing.
inline constexpr int kEngineStopped = -601;
// The sound output could not be opened or failed while playing.
inline constexpr int kEngineDeviceError = -602;
// A decoding step before Start(), or after the decoder was stopped or finished.
inline constexpr int kEngineNotStarted = -603;
// The stream ended (file mode only: a fed stream cannot know its end).
inline constexpr int kEngineEndOfStream = -604;
// libmpg123's error n (a positive enum mpg123_errors value) is reported as kMpg123ErrorBase - n.
inline constexpr int kMpg123ErrorBase = -1000;
// A decoder error without a more precise code (FFmpeg's errors, or a generic mpg123 failure).
inline constexpr int kEngineDecodeError = -605;

std::string EngineErrorText(int code);

}  // namespace tandril::player
