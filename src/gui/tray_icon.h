#pragma once
// The icon in the notification area with its tooltip and menu.

#include <QMenu>
#include <QSystemTrayIcon>

namespace tandril::gui {

class MainWindow;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(MainWindow& window);
    QMenu& Menu() { return menu_; }
    QString ToolTip() const { return icon_.toolTip(); }

private:
    MainWindow& window_;
    QSystemTrayIcon icon_;
    QMenu menu_;
};

}  // namespace tandril::gui
