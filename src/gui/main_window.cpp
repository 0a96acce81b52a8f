#include "gui/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/client.h"
#include "app/startup.h"

namespace tandril::gui {

namespace {

QWidget* Page(const QString& name) {
    auto* page = new QWidget;
    page->setObjectName(name);
    return page;
}

ScreenArea AvailableArea(const QWidget* w) {
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {area.width(), area.height()};
}

}  // namespace

MainWindow::MainWindow(Client& client) : client_(client) {
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setMinimumSize(500, 300);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(Page(QStringLiteral("chatPage")), QStringLiteral("&Chat"));
    tabs_->addTab(Page(QStringLiteral("myFilesPage")), QStringLiteral("&Fichiers"));
    tabs_->addTab(Page(QStringLiteral("searchPage")), QStringLiteral("&Search"));
    tabs_->addTab(Page(QStringLiteral("hotListPage")), QStringLiteral("&Favoris "));
    tabs_->addTab(Page(QStringLiteral("transfersPage")), QStringLiteral("&Transfert"));
    setCentralWidget(tabs_);
    for (auto& part : statusParts_) {
        part = new QLabel(this);
        part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addWidget(part);
    }
    LayOutStatusBar();

    connect(&client.main, &MainViewModel::statusTextChanged, this,
            [this](int part, const QString& text) { statusParts_[part]->setText(text); });
    connect(&client.main, &MainViewModel::pagesVisibleChanged, this, [this](bool visible) { tabs_->setVisible(visible); });
    connect(&client, &Client::raiseRequested, this, [this] {
        if (isMinimized() || !isVisible()) showNormal();
        raise();
    });
    client.windowGeometry = [this]() -> std::optional<std::pair<WindowRect, ScreenArea>> {
        QRect g = geometry();
        return std::pair{WindowRect{g.x(), g.y(), g.width(), g.height()}, AvailableArea(this)};
    };
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

void MainWindow::closeEvent(QCloseEvent* event) {
    // Until the window can live in the notification area, closing it is leaving the program.
    event->ignore();
    if (ConfirmExit(client_)) ExitApplication(client_);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOutStatusBar();
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        client_.state.mainWindowMinimised = isMinimized();
        client_.state.mainWindowMaximised = isMaximized();
    }
    QMainWindow::changeEvent(event);
}

void MainWindow::LayOutStatusBar() {
    int width = statusBar()->width();
    statusParts_[0]->setFixedWidth(width * 45 / 100);
    statusParts_[1]->setFixedWidth(width - width * 45 / 100 - 24);
}

}  // namespace tandril::gui
