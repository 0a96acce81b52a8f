#include "gui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>

#include "app/client.h"
#include "app/startup.h"
#include "gui/app_icon.h"
#include "gui/main_menu.h"
#include "gui/page_accelerators.h"
#include "gui/pages/chat_page.h"
#include "gui/pages/hot_list_page.h"
#include "gui/pages/my_files_page.h"
#include "gui/pages/search_page.h"
#include "gui/pages/transfers_page.h"
#include "gui/tray_icon.h"
#include "gui/user_info_window.h"
#include "gui/window_placement.h"

namespace tandril::gui {

namespace {

ScreenArea AvailableArea(const QWidget* w) {
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {area.width(), area.height()};
}

}  // namespace

MainWindow::MainWindow(Client& client, SkinOptions options) : client_(client), options_(std::move(options)) {
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setWindowIcon(AppIcon());
    setMinimumSize(500, 300);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("mainTabs"));
    tabs_->addTab(new ChatPage(client, options_.openUrl, tabs_), QStringLiteral("&Chat"));
    tabs_->addTab(new MyFilesPage(client, tabs_), QStringLiteral("&Fichiers"));
    tabs_->addTab(new SearchPage(client, tabs_), QStringLiteral("&Search"));
    tabs_->addTab(new HotListPage(client, tabs_), QStringLiteral("&Favoris "));
    tabs_->addTab(new TransfersPage(client, tabs_), QStringLiteral("&Transfert"));
    setCentralWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { client_.main.SetCurrentPage(index + 1); });

    statusBar()->setSizeGripEnabled(true);
    for (auto& part : statusParts_) {
        part = new QLabel(this);
        part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addWidget(part);
    }
    LayOutStatusBar();

    BuildMainMenu(*this);
    new UserInfoDialogs(client, this);
    new PageAccelerators(*this);
    if (options_.trayAvailable) tray_ = std::make_unique<TrayIcon>(*this);
    client.state.trayIconShown = options_.trayAvailable;

    connect(&client.main, &MainViewModel::statusTextChanged, this, [this](int part, const QString& text) {
        statusParts_[part]->setText(text);
        statusParts_[part]->repaint();
    });
    connect(&client.main, &MainViewModel::pagesVisibleChanged, this, [this](bool visible) { tabs_->setVisible(visible); });
    connect(&client.main, &MainViewModel::pageRequested, this, &MainWindow::ShowPage);
    connect(&client, &Client::raiseRequested, this, &MainWindow::Restore);
    client.windowGeometry = [this]() -> std::optional<std::pair<WindowRect, ScreenArea>> {
        QRect g = isMaximized() ? normalGeometry() : geometry();
        if (isMaximized()) {
            ScreenArea area = AvailableArea(this);
            return std::pair{WindowRect{0, 0, area.width, area.height}, area};
        }
        return std::pair{WindowRect{g.x(), g.y(), g.width(), g.height()}, AvailableArea(this)};
    };
}

MainWindow::~MainWindow() {
    client_.windowGeometry = nullptr;
}

void MainWindow::ShowWithSavedPlacement() {
    RestoredPlacement placement = RestoreWindowPlacement(client_.store, AvailableArea(this));
    if (placement.kind == RestoredPlacement::Rect) {
        setGeometry(placement.rect.left, placement.rect.top, placement.rect.width, placement.rect.height);
        show();
    } else {
        showMaximized();
    }
}

void MainWindow::ShowPage(int page, bool activate) {
    const WebAddresses& web = client_.state.web;
    switch (page) {
        case MainViewModel::HomePage:
            options_.openUrl(QUrl(QString::fromStdString(web.home)));
            return;
        case MainViewModel::DiscoverPage:
            options_.openUrl(QUrl(QString::fromStdString(web.discover)));
            return;
        case MainViewModel::HelpPage:
            options_.openUrl(QUrl(QString::fromStdString(web.help)));
            return;
        default:
            break;
    }
    if (page < MainViewModel::ChatPage || page > MainViewModel::TransfersPage) return;
    tabs_->setCurrentIndex(page - 1);
    if (activate) {
        if (isMinimized() || !isVisible()) Restore();
        activateWindow();
    }
}

void MainWindow::Restore() {
    ShowAgain(*this);
    raise();
    activateWindow();
}

void MainWindow::Maximise() {
    showMaximized();
    raise();
    activateWindow();
}

void MainWindow::HideToTray() {
    hide();
}

void MainWindow::Quit() {
    if (ConfirmExit(client_)) ExitApplication(client_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The close box never ends the program: "Quitter" does. With a notification area the window
    // hides there; without one it is minimised, so that it can always be found again.
    event->ignore();
    if (tray_) {
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOutStatusBar();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) UpdateWindowFlags();
    QMainWindow::changeEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    UpdateWindowFlags();
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    UpdateWindowFlags();
}

void MainWindow::UpdateWindowFlags() {
    client_.state.mainWindowVisible = isVisible();
    client_.state.mainWindowMinimised = isMinimized();
    client_.state.mainWindowMaximised = isMaximized() && !isMinimized();
}

void MainWindow::LayOutStatusBar() {
    // 45 % for the connection, the rest for the server statistics.
    int width = statusBar()->width();
    int grip = statusBar()->isSizeGripEnabled() ? 16 : 0;
    statusParts_[0]->setFixedWidth(width * 45 / 100);
    statusParts_[1]->setFixedWidth(std::max(0, width - width * 45 / 100 - grip - 8));
}

}  // namespace tandril::gui
