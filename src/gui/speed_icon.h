#pragma once
// The image of a user's line-speed class, as the lists that show users draw it.

#include <QIcon>

namespace tandril::gui {

// 0: fast (green), 1: middle (amber), 2: slow (red); other values are drawn as the nearest class.
QIcon LineSpeedIcon(int image);

}  // namespace tandril::gui
