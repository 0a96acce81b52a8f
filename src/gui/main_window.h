#pragma once
// The main window: the menu bar, five pages in tabs, the two-part status bar and the icon in the
// notification area.

#include <QMainWindow>
#include <memory>

#include "gui/skin_options.h"

namespace tandril {
class Client;
}

class QLabel;
class QTabWidget;

namespace tandril::gui {

class TrayIcon;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Client& client, SkinOptions options = {});
    ~MainWindow() override;

    // The saved placement when it fits this screen, else maximised.
    void ShowWithSavedPlacement();
    // The page switcher: 1 to 5 are the tabs; 0, 6 and 7 (home, discover, help) are web pages
    // and open in the desktop's browser.
    void ShowPage(int page, bool activate);

    void Restore();   // shown, normal size, in front
    void Maximise();  // maximised, shown, in front
    void HideToTray();
    void Quit();  // asks when transfers run, then exits

    QTabWidget* Tabs() const { return tabs_; }
    QLabel* StatusPart(int part) const { return statusParts_[part]; }
    TrayIcon* Tray() const { return tray_.get(); }
    Client& client() const { return client_; }
    const SkinOptions& options() const { return options_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LayOutStatusBar();
    void UpdateWindowFlags();

    Client& client_;
    SkinOptions options_;
    QTabWidget* tabs_;
    QLabel* statusParts_[2];
    std::unique_ptr<TrayIcon> tray_;
};

}  // namespace tandril::gui
