#pragma once
// Where the program's own windows appear and how they come back.

#include <QWidget>

namespace tandril::gui {

// Sizes `window` to its contents and puts its middle on `owner`'s (a dialog asked for from a
// window is met where the user is looking). Without a visible owner it stays where it is.
inline void CentreOver(QWidget& window, const QWidget* owner) {
    window.adjustSize();
    if (!owner || !owner->isVisible()) return;
    // `move` places the frame. A window not shown yet has none so far: it will get one like its
    // owner's.
    QSize frame = window.frameSize();
    if (frame == window.size()) frame += owner->frameSize() - owner->size();
    window.move(owner->frameGeometry().center() - QRect(QPoint(), frame).center());
}

// Shows a hidden or minimised top-level window in the state it had before: a maximised window
// comes back maximised, a normal one at its place.
inline void ShowAgain(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
}

}  // namespace tandril::gui
