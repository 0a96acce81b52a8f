#pragma once
// The sound output named on a command line: "pulse" (the default), "null", or "wav:PATH".

#include <optional>
#include <string_view>

#include "player/audio_sink.h"

namespace tandril::player {

// nullopt for a name it does not know (or "wav:" without a path).
std::optional<SinkFactory> SinkFactoryFor(std::string_view choice);

}  // namespace tandril::player
