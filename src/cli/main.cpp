// tandril-cli: the client without windows. Status texts, alerts and questions appear on standard
// output; questions are answered from the options, so it runs unattended.

#include <QCoreApplication>

#include "app/client.h"
#include "app/front_end.h"
#include "app/startup.h"
#include "cli/browse_option.h"
#include "cli/channel_chat.h"
#include "cli/cli_session.h"
#include "cli/play_file.h"
#include "cli/private_messages.h"
#include "cli/progress_line.h"
#include "cli/resume_files.h"
#include "cli/terminal_ui.h"
#include "player/sink_choice.h"

using namespace tandril;

int main(int argc, char** argv) {
    FrontEndOptions options = ParseFrontEndOptions(argc, argv, {"answer",     "terms",     "exit-after-startup",
                                                                "help",       "user",      "password",
                                                                "line-speed", "data-port", "share",
                                                                "save",       "search",    "download",
                                                                "serve",      "stream",    "play",
                                                                "sink",       "wait",      "join",
                                                                "message",    "browse",    "resume"});
    if (auto play = ExtraOption(options, "play"); play && options.error.empty()) {
        cli::TerminalUi ui(Answer::Yes, true);
        return cli::PlayFileHeadless(*play, ExtraOption(options, "sink").value_or(""), ui);
    }
    int exitCode = 0;
    auto profile = PrepareStart(options,
                                "usage: tandril-cli [--profile DIR] [--redirector HOST[:PORT]] [--fallback-redirector HOST]\n"
                                "                   [--answer=yes|no|cancel] [--terms=yes|no] [--exit-after-startup]\n"
                                "                   [--user=NAME --password=PW [--line-speed=0..10] [--data-port=PORT]\n"
                                "                    [--share=DIR[:DIR...]] [--save=DIR]]\n"
                                "                   [--search=WORDS [--download=N [--wait=SECONDS] | --stream=N] [--serve]]\n"
                                "                   [--join=CHANNEL] [--message=USER:TEXT] [--play=FILE] [--browse=USER]\n"
                                "                   [--sink=pulse|null|wav:PATH] [--resume]\n"
                                "                   [-P LINK | UPGRADE PATH | LINK]\n"
                                "Without --search it stays online, serving uploads, until interrupted. A download\n"
                                "that gets no data for --wait seconds (120 by default) is given up. With --join the\n"
                                "channel's lines are printed and each line of standard input is said there.\n"
                                "--message sends USER a private message once online; private messages received\n"
                                "are printed.\n"
                                "Exit codes: 0 done, 1 start-up failed, 2 usage, 3 nothing found (or no result N),\n"
                                "            4 download failed, 5 could not get online, 6 did not play.\n"
                                "--play plays one file and ends; --stream plays result N while it downloads.\n"
                                "--browse prints the files USER shares and ends (3 when there are none, 4 when\n"
                                "the list could not be had).\n"

                                "--resume resumes every file listed in resume.dat, prints how each ended, and ends.\n",
                                exitCode);
    if (!profile) return exitCode;

    QCoreApplication app(argc, argv);
    std::string answer = ExtraOption(options, "answer").value_or("yes");
    cli::TerminalUi ui(answer == "no"       ? Answer::No
                       : answer == "cancel" ? Answer::Cancel
                                            : Answer::Yes,
                       ExtraOption(options, "terms").value_or("yes") != "no");
    if (!cli::ApplyAccountOptions(options, *profile, ui)) return cli::kUsage;
    ClientOptions clientOptions{*profile, options.endpoints};
    if (auto sink = player::SinkFactoryFor(ExtraOption(options, "sink").value_or(""))) {
        clientOptions.sink = *sink;
    } else {
        ui.Print("--sink: pulse, null or wav:PATH");
        return cli::kUsage;
    }
    Client client(ui, clientOptions);
    cli::CliSession session(client, ui, options);
    std::unique_ptr<cli::ChannelChat> channelChat;
    if (auto channel = ExtraOption(options, "join")) channelChat = std::make_unique<cli::ChannelChat>(client, *channel);
    std::optional<std::pair<std::string, std::string>> message;
    if (auto text = ExtraOption(options, "message")) {
        message = cli::ParseMessageOption(*text);
        if (!message) {
            ui.Print("--message: USER:TEXT");
            return cli::kUsage;
        }
    }
    cli::PrivateMessages privateMessages(client, ui, message);
    std::unique_ptr<cli::BrowseOption> browseOption;
    if (auto user = ExtraOption(options, "browse")) browseOption = std::make_unique<cli::BrowseOption>(client, ui, *user);
    // --resume: every entry of resume.dat, then the end.
    std::unique_ptr<cli::ResumeFiles> resume;
    if (ExtraOption(options, "resume")) resume = std::make_unique<cli::ResumeFiles>(client, ui);
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
    if (ui.LoginRefused()) return cli::kOffline;
    if (browseOption) return browseOption->Result();
    return session.Result() == cli::kDone && resume ? resume->Result() : session.Result();
}
