// tandril-cli: the client without windows. Status texts, alerts and questions appear on standard
// output; questions are answered from the options, so it runs unattended.

#include <QCoreApplication>
#include <cstdio>

#include "app/client.h"
#include "app/front_end.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "cli/terminal_ui.h"
#include "platform/profile_folder.h"

using namespace tandril;

int main(int argc, char** argv) {
    FrontEndOptions options = ParseFrontEndOptions(argc, argv, {"answer", "terms", "exit-after-startup", "help"});
    if (!options.error.empty() || ExtraOption(options, "help")) {
        std::fprintf(stderr,
                     "usage: tandril-cli [--profile DIR] [--redirector HOST[:PORT]] [--fallback-redirector HOST]\n"
                     "                   [--answer=yes|no|cancel] [--terms=yes|no] [--exit-after-startup]\n"
                     "                   [-P LINK | UPGRADE PATH | LINK]\n%s%s",
                     options.error.c_str(), options.error.empty() ? "" : "\n");
        return options.error.empty() ? 0 : 2;
    }
    auto profile = platform::ChooseProfileFolder(options.profile);
    std::error_code ec;
    std::filesystem::create_directories(profile, ec);

    QCoreApplication app(argc, argv);
    SingleInstanceOptions rule{profile, std::filesystem::read_symlink("/proc/self/exe", ec)};
    if (ApplySingleInstanceRule(rule, options.arguments) == InstanceDecision::EndThisProcess) return 0;

    std::string answer = ExtraOption(options, "answer").value_or("yes");
    cli::TerminalUi ui(answer == "no" ? Answer::No : answer == "cancel" ? Answer::Cancel : Answer::Yes,
                       ExtraOption(options, "terms").value_or("yes") != "no");
    int exitCode = 0;
    {
        Client client(ui, ClientOptions{profile, options.endpoints});
        QObject::connect(&client.dialog, &ConnectingDialogModel::statusChanged, &client,
                         [&ui](const QString& t) { ui.Print("[Statut Utilisateur] " + t.toStdString()); });
        QObject::connect(&client.dialog, &ConnectingDialogModel::secondLineChanged, &client,
                         [&ui](const QString& t) { if (!t.isEmpty()) ui.Print("[Statut Utilisateur] " + t.toStdString()); });
        QObject::connect(&client.main, &MainViewModel::statusTextChanged, &client,
                         [&ui](int part, const QString& t) { ui.Print("[status " + std::to_string(part) + "] " + t.toStdString()); });
        QObject::connect(&client.personal, &chat::PersonalMessages::lineAdded, &client,
                         [&ui](const QString& t) { ui.Print("[Private] " + t.toStdString()); });
        QObject::connect(&client, &Client::linkReceived, &client,
                         [&ui](const QString& t) { ui.Print("[link] " + t.toStdString()); });
        QObject::connect(&client, &Client::exitRequested, &app, [&](int code) {
            exitCode = code;
            app.exit(code);
        });
        if (ExtraOption(options, "exit-after-startup")) {
            QObject::connect(&client.dialog, &ConnectingDialogModel::closed, &client, [&client] { ExitApplication(client); });
            QObject::connect(&client.dialog, &ConnectingDialogModel::buttonTextChanged, &client, [&client](const QString& t) {
                if (t == QLatin1String("OK")) ExitApplication(client);
            });
        }
        auto instance = ListenForLaterStarts(client);
        ExitOnTerminationSignals(client);
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
