#pragma once
// The real main window on a client with a scripted UI, for the widget tests. Web pages and
// addresses that the window would open are recorded instead.

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>

#include "app/client.h"
#include "gui/main_window.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

namespace tandril::test {

struct Window {
    explicit Window(bool tray = false, player::SinkFactory sink = {})
        : client(ui, ClientOptions{.profileFolder = profile.path(), .sink = std::move(sink)}),
          window(client, gui::SkinOptions{.trayAvailable = tray,
                                          .openUrl = [this](const QUrl& u) { opened.push_back(u.toString().toStdString()); }}) {
        ui.Watch(client);
        QObject::connect(&client, &Client::exitRequested, &client, [this](int) { exited = true; });
        client.state.EditAccount()->userName = "lea";
        window.resize(800, 500);
        window.show();
        QCoreApplication::processEvents();
    }
    QAction* Action(const QString& text) {
        for (QAction* menu : window.menuBar()->actions()) {
            for (QAction* a : menu->menu()->actions()) {
                if (a->text() == text) return a;
            }
        }
        return nullptr;
    }

    TestProfile profile;
    ScriptedUi ui;
    Client client;
    std::vector<std::string> opened;
    gui::MainWindow window;
    bool exited = false;
};

}  // namespace tandril::test
