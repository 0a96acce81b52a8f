#pragma once
// The main window's saved placement, checked against the screen it opens on.

#include "base/config_store.h"

namespace tandril {

struct WindowRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The size of a maximised window on the current screen.
struct ScreenArea {
    int width = 0;
    int height = 0;
};

void SaveWindowPlacement(ConfigStore& store, WindowRect window, ScreenArea maximised);

struct RestoredPlacement {
    enum Kind { NotApplied, Rect, Maximised } kind = NotApplied;
    WindowRect rect;
};
// NotApplied tells the caller to maximise the window.
RestoredPlacement RestoreWindowPlacement(const ConfigStore& store, ScreenArea maximised);

}  // namespace tandril
