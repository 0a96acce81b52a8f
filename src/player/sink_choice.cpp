#include "player/sink_choice.h"

#include <filesystem>
#include <string>

#include "player/null_sink.h"
#include "player/pulse_sink.h"
#include "player/wav_sink.h"

namespace tandril::player {

std::optional<SinkFactory> SinkFactoryFor(std::string_view choice) {
    if (choice.empty() || choice == "pulse") return SinkFactory([] { return std::make_unique<PulseSink>(); });
    if (choice == "null") return SinkFactory([] { return std::make_unique<NullSink>(); });
    if (choice.starts_with("wav:") && choice.size() > 4) {
        std::filesystem::path path(std::string(choice.substr(4)));
        return SinkFactory([path] { return std::make_unique<WavSink>(path); });
    }
    return std::nullopt;
}

}  // namespace tandril::player
