#include "base/window_placement.h"

#include "base/settings.h"
#include "base/text.h"

namespace tandril {

void SaveWindowPlacement(ConfigStore& store, WindowRect window, ScreenArea maximised) {
    ConfigKey root = store.CreateKey(kRootKey);
    const std::pair<const char*, int> values[] = {{"WinLeft", window.left}, {"WinTop", window.top},     {"WinCx", window.width},
                                                  {"WinCy", window.height}, {"MaxCx", maximised.width}, {"MaxCy", maximised.height}};
    for (auto [name, v] : values) store.SetValue(root, name, std::to_string(v));
    store.Flush();
}

RestoredPlacement RestoreWindowPlacement(const ConfigStore& store, ScreenArea maximised) {
    RestoredPlacement result;
    auto root = store.OpenKey(kRootKey);
    if (!root) return result;
    long long v[6];
    const char* names[] = {"WinLeft", "WinTop", "WinCx", "WinCy", "MaxCx", "MaxCy"};
    for (int i = 0; i < 6; ++i) {
        auto text = store.GetValue(*root, names[i]);
        if (!text) return result;
        v[i] = DecimalValue(*text);
    }
    auto [left, top, cx, cy, maxCx, maxCy] = std::tuple(v[0], v[1], v[2], v[3], v[4], v[5]);
    if (left < 0 || top < 0 || left + cx > maximised.width || top + cy > maximised.height) return result;
    WindowRect rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(cx), static_cast<int>(cy)};
    if (cx < maxCx && cy < maxCy) {
        result.kind = RestoredPlacement::Rect;
        result.rect = rect;
    } else if (cx == maxCx && cy == maxCy) {
        result.kind = RestoredPlacement::Maximised;
        result.rect = rect;
    }
    return result;
}

}  // namespace tandril
