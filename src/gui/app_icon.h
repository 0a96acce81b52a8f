#pragma once
#include <QIcon>

namespace tandril::gui {
// The program's icon (window, tray), drawn at the sizes the desktop asks for.
QIcon AppIcon();
}  // namespace tandril::gui
