#pragma once
// What the skin takes from the desktop, so that tests can stand in for it.

#include <QDesktopServices>
#include <QSystemTrayIcon>
#include <QUrl>
#include <functional>

namespace tandril::gui {

struct SkinOptions {
    // Without a notification area the close box minimises: a hidden window with no tray icon
    // would be a lost program.
    bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    // The desktop's "open" for web addresses.
    std::function<void(const QUrl&)> openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
};

}  // namespace tandril::gui
