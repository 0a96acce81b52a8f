// tandril-cli: the client without windows. Status texts, alerts and questions appear on standard
// output; questions are answered from the options, so it runs unattended.

#include <QCoreApplication>

#include "app/client.h"
#include "app/front_end.h"
#include "app/startup.h"
#include "cli/cli_session.h"
#include "cli/progress_line.h"
#include "cli/terminal_ui.h"

using namespace tandril;

int main(int argc, char** argv) {
    FrontEndOptions options = ParseFrontEndOptions(argc, argv,
                                                   {"answer", "terms", "exit-after-startup", "help", "user", "password", "line-speed",
                                                    "data-port", "share", "save", "search", "download", "wait", "serve"});
    int exitCode = 0;
    auto profile = PrepareStart(options,
                                "usage: tandril-cli [--profile DIR] [--redirector HOST[:PORT]] [--fallback-redirector HOST]\n"
                                "                   [--answer=yes|no|cancel] [--terms=yes|no] [--exit-after-startup]\n"
                                "                   [--user=NAME --password=PW [--line-speed=0..10] [--data-port=PORT]\n"
                                "                    [--share=DIR[:DIR...]] [--save=DIR]]\n"
                                "                   [--search=WORDS [--download=N [--wait=SECONDS]] [--serve]]\n"
                                "                   [-P LINK | UPGRADE PATH | LINK]\n"
                                "Without --search it stays online, serving uploads, until interrupted. A download\n"
                                "that gets no data for --wait seconds (120 by default) is given up.\n"
                                "Exit codes: 0 done, 1 start-up failed, 2 usage, 3 nothing found (or no result N),\n"
                                "            4 download failed, 5 could not get online.\n",
                                exitCode);
    if (!profile) return exitCode;

    QCoreApplication app(argc, argv);
    std::string answer = ExtraOption(options, "answer").value_or("yes");
    cli::TerminalUi ui(answer == "no"       ? Answer::No
                       : answer == "cancel" ? Answer::Cancel
                                            : Answer::Yes,
                       ExtraOption(options, "terms").value_or("yes") != "no");
    if (!cli::ApplyAccountOptions(options, *profile, ui)) return cli::kUsage;
    Client client(ui, ClientOptions{*profile, options.endpoints});
    cli::CliSession session(client, ui, options);
    auto print = [&ui](const char* prefix) {
        return [&ui, prefix](const QString& text) {
            if (!text.isEmpty()) ui.Print(prefix + text.toStdString());
        };
    };
    // Printed on the thread that changed the text (printing is thread-safe): nothing crosses
    // threads through Qt's event queue.
    const auto direct = Qt::DirectConnection;
    QObject::connect(&client.dialog, &ConnectingDialogModel::statusChanged, &client, print("[Statut Utilisateur] "), direct);
    // The dialog counts the files it inspects on its second line ("n of m"): a progress line here.
    cli::ProgressLine progress([&ui](const std::string& text, bool final) { ui.ShowProgress(text, final); },
                               ui.OnTerminal() ? std::chrono::milliseconds(100) : std::chrono::seconds(5));
    QObject::connect(
        &client.dialog, &ConnectingDialogModel::secondLineChanged, &client,
        [&ui, &progress](const QString& text) {
            if (auto count = cli::FileCount(text.toStdString())) {
                progress.Update(count->first, count->second);
            } else if (!text.isEmpty()) {
                ui.Print("[Statut Utilisateur] " + text.toStdString());
            }
        },
        direct);
    QObject::connect(
        &client.main, &MainViewModel::statusTextChanged, &client,
        [&ui](int part, const QString& t) { ui.Print("[status " + std::to_string(part) + "] " + t.toStdString()); }, direct);
    QObject::connect(
        &client.chat, &chat::ChatWindows::lineShown, &client,
        [&ui](const QString& window, const QString& line) { ui.Print("[" + window.toStdString() + "] " + line.toStdString()); }, direct);
    QObject::connect(&client, &Client::linkReceived, &client, print("[link] "));
    if (ExtraOption(options, "exit-after-startup")) {
        // Ends once start-up is over, online (the dialog closed) or not (its button says "OK").
        QObject::connect(&client.dialog, &ConnectingDialogModel::closed, &client, [&client] { ExitApplication(client); });
        QObject::connect(
            &client.dialog, &ConnectingDialogModel::buttonTextChanged, &client,
            [&client](const QString& t) {
                if (t == QLatin1String("OK")) client.PostToGui([&client] { ExitApplication(client); });
            },
            direct);
    }
    const int code = RunClient(client, options.arguments);
    if (code != 0) return code;
    return ui.LoginRefused() ? cli::kOffline : session.Result();
}
