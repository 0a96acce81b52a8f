#include "gui/tray_icon.h"

#include "base/app_state.h"
#include "base/text.h"
#include "gui/app_icon.h"
#include "gui/main_window.h"

namespace tandril::gui {

TrayIcon::TrayIcon(MainWindow& window) : QObject(&window), window_(window) {
    icon_.setIcon(AppIcon());
    icon_.setToolTip(QString::fromStdString(Format(127, "Tandril %s %s", kVersionText, kTrayTooltipText)));
    QAction* restore = menu_.addAction(QStringLiteral("&Restaurer"), &window, &MainWindow::Restore);
    QAction* maximise = menu_.addAction(QStringLiteral("A&grandir"), &window, &MainWindow::Maximise);
    QAction* reduce = menu_.addAction(QStringLiteral("&Réduire"), &window, &MainWindow::HideToTray);
    menu_.addSeparator();
    menu_.addAction(QStringLiteral("&Quitter"), &window, &MainWindow::Quit);
    restore->setObjectName(QStringLiteral("trayRestore"));
    maximise->setObjectName(QStringLiteral("trayMaximise"));
    reduce->setObjectName(QStringLiteral("trayReduce"));
    // "Réduire" is greyed while the window is minimised.
    connect(&menu_, &QMenu::aboutToShow, this, [this, reduce] { reduce->setEnabled(!window_.isMinimized()); });
    icon_.setContextMenu(&menu_);
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick) window_.Restore();
    });
    icon_.show();
}

}  // namespace tandril::gui
