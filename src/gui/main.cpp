// tandril: the Qt desktop client.

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/client.h"
#include "app/front_end.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "gui/connecting_dialog.h"
#include "gui/main_window.h"
#include "gui/qt_ui_port.h"
#include "platform/profile_folder.h"

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
    if (!options.error.empty() || ExtraOption(options, "help")) {
        std::fprintf(stderr,
                     "usage: tandril [--profile DIR] [--redirector HOST[:PORT]] [--fallback-redirector HOST]\n"
                     "               [--screenshot=PREFIX] [-P LINK | UPGRADE PATH | LINK]\n%s%s",
                     options.error.c_str(), options.error.empty() ? "" : "\n");
        return options.error.empty() ? 0 : 2;
    }
    auto profile = platform::ChooseProfileFolder(options.profile);
    std::error_code ec;
    std::filesystem::create_directories(profile, ec);

    QApplication app(argc, argv);
    SingleInstanceOptions rule{profile, std::filesystem::read_symlink("/proc/self/exe", ec)};
    if (ApplySingleInstanceRule(rule, options.arguments) == InstanceDecision::EndThisProcess) return 0;

    gui::QtUiPort ui;
    int exitCode = 0;
    {
        Client client(ui, ClientOptions{profile, options.endpoints});
        gui::MainWindow window(client);
        gui::ConnectingDialog dialog(client, &window);
        ui.SetMainWindow(&window);
        QObject::connect(&client, &Client::exitRequested, &app, [&](int code) {
            exitCode = code;
            ui.ShutDown();
            dialog.hide();
            window.hide();
            app.exit(code);
        });
        if (auto prefix = ExtraOption(options, "screenshot")) {
            auto shoot = [&, prefix = QString::fromStdString(*prefix)] {
                QTimer::singleShot(300, &window, [&, prefix] { SaveScreenshots(window, dialog, prefix); });
            };
            QObject::connect(&client.dialog, &ConnectingDialogModel::closed, &window, shoot);
            QObject::connect(&client.dialog, &ConnectingDialogModel::buttonTextChanged, &window, shoot);
        }
        auto instance = ListenForLaterStarts(client);
        ExitOnTerminationSignals(client);
        window.ShowWithSavedPlacement();
        StartClient(client, options.arguments);
        try {
            app.exec();
        } catch (...) {
            client.FatalError();  // an error no handler could deal with
            exitCode = 1;
        }
        instance.reset();
    }
    return exitCode;
}
