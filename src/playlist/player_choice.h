#pragma once
// Which player a file goes to: the built-in engines or the desktop's own application, by the
// file's extension and the `Player` setting.

#include <string>
#include <string_view>

namespace tandril::playlist {

enum class PlayerRoute {
    kNothing,   // neither MP3, MP2 nor WMA: playing it does nothing
    kInternal,  // the built-in player
    kDesktop,   // the desktop's default application for the file
};

// The text after the path's last '.', empty when there is none or the path ends with it.
std::string_view FileExtension(std::string_view path);

// MP3 and MP2 play inside only when the setting is "Internal"; WMA plays inside unless it is
// "Default" (a value that is neither sends MP3 out and keeps WMA in). Case is ignored throughout.
PlayerRoute RouteFor(std::string_view path, std::string_view playerSetting);

}  // namespace tandril::playlist
