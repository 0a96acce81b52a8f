// tandril: the Qt desktop client.

#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include "app/client.h"
#include "app/front_end.h"
#include "app/startup.h"
#include "app/url_protocol.h"
#include "gui/connecting_dialog.h"
#include "gui/main_window.h"
#include "gui/proxy_dialog.h"
#include "gui/qt_ui_port.h"

using namespace tandril;

namespace {

// Saves what is on screen: the main window and, while it is open, the connecting dialog.
void SaveScreenshots(gui::MainWindow& window, QWidget& dialog, const QString& prefix) {
    window.grab().save(prefix + QStringLiteral("-main.png"));
    if (dialog.isVisible()) dialog.grab().save(prefix + QStringLiteral("-dialog.png"));
}

}  // namespace

int main(int argc, char** argv) {
    FrontEndOptions options = ParseFrontEndOptions(argc, argv, {"screenshot", "help"});
    int exitCode = 0;
    auto profile = PrepareStart(options,
                                "usage: tandril [--profile DIR] [--redirector HOST[:PORT]] [--fallback-redirector HOST]\n"
                                "               [--screenshot=PREFIX] [-P LINK | UPGRADE PATH | LINK]\n",
                                exitCode);
    if (!profile) return exitCode;

    QApplication app(argc, argv);
    RegisterUrlProtocol(QCoreApplication::applicationFilePath().toStdString(),
                        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString());
    gui::QtUiPort ui;
    Client client(ui, ClientOptions{*profile, options.endpoints});
    gui::MainWindow window(client);
    gui::ConnectingDialog dialog(client, &window);
    ui.SetMainWindow(&window, [&client] { return client.state.mainWindowVisible && !client.state.mainWindowMinimised; });
    ui.SetProxySettingsOpener([&] {
        gui::ProxyDialog proxy(client, &window);
        proxy.exec();
    });
    // The wizard's last page gives way to the connecting dialog once the pages are done.
    QObject::connect(&client.dialog, &ConnectingDialogModel::dialogVisibleChanged, &ui, [&ui](bool shown) {
        if (shown) ui.CloseWizardPage();
    });
    QObject::connect(&client, &Client::exitRequested, &window, [&] {
        ui.ShutDown();
        ui.CloseWizardPage();
        dialog.hide();
        window.hide();
    });
    if (auto prefix = ExtraOption(options, "screenshot")) {
        auto shoot = [&, prefix = QString::fromStdString(*prefix)] {
            QTimer::singleShot(300, &window, [&, prefix] { SaveScreenshots(window, dialog, prefix); });
        };
        QObject::connect(&client.dialog, &ConnectingDialogModel::closed, &window, shoot);
        QObject::connect(&client.dialog, &ConnectingDialogModel::buttonTextChanged, &window, shoot);
    }
    window.ShowWithSavedPlacement();
    return RunClient(client, options.arguments);
}
