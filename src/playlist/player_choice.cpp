#include "playlist/player_choice.h"

#include "base/app_state.h"
#include "base/text.h"

namespace tandril::playlist {

std::string_view FileExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : path.substr(dot + 1);
}

PlayerRoute RouteFor(std::string_view path, std::string_view playerSetting) {
    const std::string_view extension = FileExtension(path);
    if (EqualsNoCase(extension, "wma")) return EqualsNoCase(playerSetting, "Default") ? PlayerRoute::kDesktop : PlayerRoute::kInternal;
    if (!EqualsNoCase(extension, "mp3") && !EqualsNoCase(extension, "mp2")) return PlayerRoute::kNothing;
    return EqualsNoCase(playerSetting, kInternalPlayer) ? PlayerRoute::kInternal : PlayerRoute::kDesktop;
}

}  // namespace tandril::playlist
