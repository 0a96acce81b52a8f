// tandril-screenshots DIR: renders the main window on each page (at 900 x 600 and at 1600 x 1000), the connecting dialog and a
// notification box to PNG files in DIR, for the README and for reviewing the look. Runs with no
// network and a throw-away profile.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>

#include "app/client.h"
#include "base/shared_folders.h"
#include "base/text.h"
#include "gui/browse/browse_demo.h"
#include "gui/connecting_dialog.h"
#include "gui/invitation_box.h"
#include "gui/library/folder_tree.h"
#include "gui/library/rename_dialog.h"
#include "gui/main_window.h"
#include "gui/notification_box.h"
#include "gui/pages/channel_list_window.h"
#include "gui/pages/my_files_page.h"
#include "gui/people_screenshots.h"
#include "gui/player/demo_playback.h"
#include "gui/player/player_panel_widget.h"
#include "gui/preferences/preferences_dialog.h"
#include "gui/proxy_dialog.h"
#include "gui/qt_ui_port.h"
#include "gui/registration_pages.h"
#include "gui/resume_screenshots.h"
#include "gui/server_dialogs.h"
#include "gui/tray_icon.h"
#include "gui/user_info_window.h"
#include "search/search_session.h"
#include "session/account.h"
#include "session/hot_list.h"
#include "transfer/transfers.h"

using namespace tandril;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tandril-screenshots DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) return 1;
    QTemporaryDir profile;
    gui::QtUiPort ui;
    Client client(ui, ClientOptions{.profileFolder = profile.path().toStdString(), .sink = gui::DemoSink});
    gui::MainWindow window(client, gui::SkinOptions{.trayAvailable = false, .openUrl = [](const QUrl&) {}});
    window.resize(900, 600);
    window.show();
    client.SetStatusText(0, "Online (demo): Sharing 1234 files.");
    client.SetStatusText(1, "Currently 1,234,567 users sharing 89,012,345 files (1,234 gigs)");
    QCoreApplication::processEvents();

    bool ok = true;
    auto save = [&](QWidget& widget, const QString& name) {
        QCoreApplication::processEvents();
        QString path = out.filePath(name);
        ok = widget.grab().save(path) && ok;
        std::printf("%s\n", path.toLocal8Bit().constData());
    };
    // The chat page in both fixed schemes, with lines of several kinds.
    auto fillChat = [&](const char* schemeName) {
        session::ApplyColorScheme(client.session, schemeName);
        chat::ChannelWindow& personal = client.chat.Personal();
        chat::ClearChatControl(personal.chatView);
        client.chat.ShowSystemLine("Connecté au serveur!");
        client.chat.ShowSystemLine("Welcome! The rules are at www.tandril.invalid/rules, have fun.");
        client.chat.AppendLine(personal, "My message", "<demo> hello everybody {and you}", false);
        client.chat.AppendLine(personal, "User message", "<kim> hi demo, try http://example.org/music", false);
        client.chat.AppendLine(personal, "Emotion (/me)", "* kim waves", false);
        client.chat.AppendLine(personal, "MOTD", "* Message of the day: share what you love.", true);
        client.chat.ShowSystemLine("[Thu Dec 10 12:00:00 2026] Received pong from server: 0 seconds!");
        window.ShowPage(1, false);
    };
    fillChat(chat::kSchemeWhite);
    save(window, QStringLiteral("chat-white.png"));
    fillChat(chat::kSchemeBlack);
    save(window, QStringLiteral("chat-black.png"));
    fillChat(chat::kSchemeWhite);

    // A channel window with its users and lines, the channel list and an invitation.
    {
        client.state.EditAccount()->userName = "demo";
        client.channels.OnChannelJoined({"#jazz"});
        const std::tuple<const char*, long long, int> members[] = {{"demo", 1234, 8}, {"kim", 5021, 10}, {"lou", 12, 4},
                                                                   {"Ana", 830, 7},   {"joe", 0, 2},     {"sam", 77, 9}};
        for (auto [user, files, speed] : members) client.channels.OnUserEntry({"#jazz", user, files, speed});
        client.channels.OnTopic({"#jazz", "Late-night jazz: share your live recordings, see www.tandril.invalid/jazz"});
        client.channels.OnChannelMessage({"#jazz", "kim", "anyone has the 1961 session?"});
        client.channels.OnChannelMessage({"#jazz", "demo", "yes, sharing it now"});
        client.channels.OnEmote({"#jazz", "lou", "applauds"});
        client.channels.OnUserJoined({"#jazz", "eve", 310, 7});
        client.chat.ShowSystemLine("#jazz", "Inviting user ana to channel '#jazz'.");
        client.chat.Current().users->Flush();
        QCoreApplication::processEvents();
        save(window, QStringLiteral("chat-channel.png"));

        client.channels.list.Open();
        QCoreApplication::processEvents();
        client.channels.list.AddEntry("#jazz", 7, "Late-night jazz", 0);
        client.channels.list.AddEntry("#Rock", 1523, "Riffs and more riffs", 0);
        client.channels.list.AddEntry("#classical", 88, "Quiet please", 0);
        client.channels.list.AddEntry("#electro", 12044, "Beats all night", 0);
        if (auto* list = window.findChild<gui::ChannelListWindow*>()) {
            QCoreApplication::processEvents();
            save(*list, QStringLiteral("channel-list.png"));
        } else {
            ok = false;
        }
        client.channels.list.Close();

        gui::InvitationBox invitation("kim", "#jazz", "Late-night jazz: share your live recordings", false, &window);
        invitation.show();
        QCoreApplication::processEvents();
        save(invitation, QStringLiteral("invitation.png"));
        invitation.hide();
        client.channels.CloseChannelWindowsSilently();
        QCoreApplication::processEvents();
    }

    // A small library on the my-files page.
    {
        std::vector<library::LibraryRow> rows;
        const std::tuple<const char*, std::uint32_t, int, int, int> files[] = {
            {"/home/demo/Music/Nova Drift/Harbour Lights.mp3", 4812345, 192, 44100, 201},
            {"/home/demo/Music/Nova Drift/Low Tide.mp3", 3921004, 160, 44100, 196},
            {"/home/demo/Music/Quiet Hours/Paper Boats.mp3", 6011230, 256, 48000, 188},
            {"/home/demo/Music/Quiet Hours/Night Bus.wma", 3400111, -1, -1, -1},
            {"/home/demo/Music/Ember & Oak/Kindling.mp3", 2950012, 128, 44100, 184},
            {"/home/demo/Concerts/Live at the Pier/Opening.mp3", 9120334, 320, 44100, 228},
        };
        for (auto [path, size, bitrate, frequency, length] : files) {
            library::SharedFileRecord r{
                .hash = "x", .path = path, .size = size, .bitrate = bitrate, .frequency = frequency, .length = length};
            rows.push_back(library::MakeLibraryRow(r, client.library.fileTypes));
        }
        client.library.view.AddRows(std::move(rows));
    }
    // A finished search on the search page.
    client.search.SetForm({.artist = "nova drift"});
    for (const char* result : {"\"2:\\2\\Nova Drift\\Harbour Lights.mp3\" h-1 4812345 192 44100 201 kim 16777343 8 0",
                               "\"5:\\5\\Albums\\Nova Drift - Low Tide.mp3\" h-2 3921004 160 44100 196 lou 16777343 4 0",
                               "\"1:\\1\\Nova Drift\\Harbour Lights (live).mp3\" h-3 9120334 320 44100 228 ana 16777343 10 0",
                               "\"3:\\3\\Misc\\nova drift - demo.wma\" h-4 1200444 -1 -1 -1 joe 16777343 2 0"}) {
        search::OnSearchResult(client.search, *protocol::SearchResult::Decode(result));
    }
    search::OnEndOfSearch(client.search);
    // Transfers in every state on the transfer page.
    {
        using transfer::TransferState;
        struct Demo {
            bool outbound;
            const char* nick;
            const char* name;
            std::uint32_t size, position;
            TransferState state;
            const char* rate;
            const char* left;
        };
        const Demo demos[] = {
            {false, "kim", "Harbour Lights.mp3", 4812345, 3100000, TransferState::Transferring, "148.20 k/s", "00:00:11"},
            {false, "lou", "Nova Drift - Low Tide.mp3", 3921004, 0, TransferState::Connecting, "", ""},
            {false, "ana", "Harbour Lights (live).mp3", 9120334, 9120334, TransferState::Complete, "", ""},
            {false, "joe", "nova drift - demo.mp3", 1200444, 0, TransferState::Queued, "", ""},
            // Web downloads: one arriving, one whose server answered with an error page.
            {false, "radio", "web:\\radio.example.org\\shows\\Morning Session.mp3", 2048000, 1024000, TransferState::Transferring,
             "96.40 k/s", "00:00:10"},
            {false, "radio", "web:\\radio.example.org\\shows\\Gone.mp3", 0, 0, TransferState::Error, "", ""},
            {true, "sam", "Paper Boats.mp3", 6011230, 1500000, TransferState::Transferring, "61.75 k/s", "00:01:13"},
            {true, "eve", "Kindling.mp3", 2950012, 0, TransferState::Connecting, "", ""},
        };
        for (const Demo& d : demos) {
            auto record = std::make_unique<transfer::TransferRecord>(d.outbound, d.nick, d.name, "x", d.size, 0, 0,
                                                                     client.transfers.lists.NextRowId(), 0);
            const std::string name = d.name;
            record->localPath = "/home/demo/Downloads/" + name.substr(name.find_last_of('\\') + 1);
            auto lock = client.transfers.lists.Take(d.outbound);
            transfer::TransferRecord& r = transfer::AddTransfer(client.transfers, lock, std::move(record));
            transfer::SetTransferState(client.transfers, lock, r, d.state);
            if (d.state == TransferState::Error) {
                // What a web server's error page leaves in the row.
                client.transfers.view.Edit(
                    false, r.rowId, [](transfer::TransferRow& row) { row.cells[transfer::kStatusColumn] = "Erreur HTTP 404 Not Found"; });
            }
            if (d.state != TransferState::Transferring) continue;
            client.transfers.view.Edit(d.outbound, r.rowId, [&](transfer::TransferRow& row) {
                row.cells[transfer::kSizeColumn] =
                    GroupThousands(std::to_string(d.position)) + " of " + GroupThousands(std::to_string(d.size));
                row.cells[transfer::kSpeedColumn] = "Cable";
                row.cells[transfer::kRateColumn] = d.rate;
                row.cells[transfer::kTimeLeftColumn] = d.left;
                row.percent = static_cast<int>(std::uint64_t{d.position} * 100 / d.size);
            });
        }
        client.transfers.view.SetInfo("Inbound Transfers:    2", "Outbound Transfers:    1");
    }
    // The hot list: friends online and offline, the information line, and two users' information.
    {
        std::ofstream(std::filesystem::path(profile.path().toStdString()) / chat::kHotListFile) << "kim\nlou\nAna\njoe\nsam\n";
        session::LoadHotList(client.session);
        client.hotList.ShowOnline("kim", 10);
        client.hotList.ShowOnline("lou", 4);
        client.hotList.ShowOnline("joe", 2);
        gui::ShowDemoBrowse(client);
        auto* dialogs = window.findChild<gui::UserInfoDialogs*>();
        auto shootInfo = [&](const char* name) {
            QCoreApplication::processEvents();
            gui::UserInfoDialog* dialog = dialogs ? dialogs->Dialog(client.userInfo.Windows().back()->id) : nullptr;
            if (!dialog) {
                ok = false;
                return;
            }
            save(*dialog, QString::fromLatin1(name));
            dialog->close();
        };
        client.userInfo.ShowOnline({.user = "kim",
                                    .level = "Moderator",
                                    .secondsConnected = 3725,
                                    .channels = "#jazz #Rock",
                                    .state = "Active",
                                    .filesShared = 5021,
                                    .downloads = 1,
                                    .uploads = 2,
                                    .lineSpeed = 10,
                                    .clientVersion = kVersionText,
                                    .extended = true,
                                    .address = "192.0.2.7",
                                    .port = 51234,
                                    .dataPort = 6699});
        shootInfo("user-info-online.png");
        client.userInfo.ShowOffline({.user = "lou", .level = "User", .lastSeen = 1796900000});
        shootInfo("user-info-offline.png");
    }
    // A playlist on the my-files page, its first track playing.
    const bool playing = gui::PlayDemoPlaylist(client, profile.path());
    const char* names[] = {"page-1-chat.png", "page-2-my-files.png", "page-3-search.png", "page-4-hot-list.png", "page-5-transfers.png"};
    for (int page = 1; page <= 5; ++page) {
        window.ShowPage(page, false);
        save(window, QString::fromLatin1(names[page - 1]));
    }
    // The same pages on a large screen: the lists give the extra room to their name columns.
    window.resize(1600, 1000);
    const char* wideNames[] = {"wide-1-chat.png", "wide-2-my-files.png", "wide-3-search.png", "wide-4-hot-list.png",
                               "wide-5-transfers.png"};
    for (int page = 1; page <= 5; ++page) {
        window.ShowPage(page, false);
        QCoreApplication::processEvents();  // the columns follow the new width one turn later
        save(window, QString::fromLatin1(wideNames[page - 1]));
    }
    window.resize(900, 600);
    QCoreApplication::processEvents();

    if (playing) {
        window.ShowPage(2, false);
        save(*static_cast<gui::MyFilesPage*>(window.Tabs()->widget(1))->Player(), QStringLiteral("player-panel.png"));
        client.panel.Stop();
    }

    gui::ConnectingDialog dialog(client, &window);
    client.dialog.MarkOpen();
    client.dialog.SetStatus("Cherche un serveur rapide");
    client.dialog.SetSecondLine("Waiting 30 seconds (1) Server Busy...");
    save(dialog, QStringLiteral("connecting-dialog.png"));
    client.dialog.SetStatus("Impossible de se connecter !");
    client.dialog.SetSecondLine("");
    client.dialog.SetButtonText("OK");
    save(dialog, QStringLiteral("connecting-dialog-failed.png"));
    dialog.hide();

    gui::NotificationBox box(QStringLiteral("You must first connect to the server!"), &window);
    box.show();
    save(box, QStringLiteral("notification-box.png"));
    box.hide();

    // The registration wizard's pages and the dialogs of the server link.
    WizardData data;
    data.lineSpeed = 8;
    data.user = "demo";
    data.email = "demo@example.org";
    // Folders that every machine has, so that the tree shows each state.
    data.sharedFolders = {"/usr/share/doc", "/usr/share/fonts"};
    data.saveFolder = "/tmp";
    const std::pair<WizardPage, const char*> pages[] = {{WizardPage::Connection, "wizard-1-connection.png"},
                                                        {WizardPage::Account, "wizard-2-account.png"},
                                                        {WizardPage::OptionalInfo, "wizard-3-optional.png"},
                                                        {WizardPage::SharedFolders, "wizard-4-shared-folders.png"},
                                                        {WizardPage::DownloadFolder, "wizard-5-download-folder.png"}};
    for (auto [page, name] : pages) {
        gui::WizardPageDialog dialog(page, data, {}, &window);
        dialog.show();
        // The folder tree lists folders in the background.
        QElapsedTimer listing;
        listing.start();
        while (listing.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (auto* tree = dialog.findChild<gui::FolderTree*>()) tree->ShowFirstTicked();
        save(dialog, QString::fromLatin1(name));
    }
    auto shoot = [&](QDialog& dialog, const char* name) {
        dialog.show();
        save(dialog, QString::fromLatin1(name));
        dialog.hide();
    };
    client.state.EditSettings()->proxyVersion = 5;
    client.state.EditSettings()->proxyServer = "proxy.example.org";
    client.state.EditSettings()->proxyPort = 1080;
    gui::ProxyDialog proxy(client, &window);
    shoot(proxy, "proxy-settings.png");
    gui::DataPortDialog dataPort(&window);
    shoot(dataPort, "data-port-settings.png");
    gui::RegistrationProblemDialog problem(&window);
    shoot(problem, "registration-problem.png");
    gui::InvalidPasswordDialog invalid(QStringLiteral("demo"), QStringLiteral("secret"), &window);
    shoot(invalid, "invalid-password.png");
    gui::BothFirewalledDialog firewalled(QStringLiteral("kim"), &window);
    shoot(firewalled, "both-firewalled.png");
    gui::ExistingFileDialog existing(QStringLiteral("Nova Drift - Harbour Lights.mp3"), &window);
    shoot(existing, "existing-file.png");
    gui::ShootPeopleWindows(client, window, save);
    gui::PartialTransferDialog partial(QStringLiteral("Nova Drift - Harbour Lights.mp3"), &window);
    shoot(partial, "partial-transfer.png");
    gui::ShootIncompleteFiles(client, window, save, profile.path().toStdString());

    // An alert about a wizard page sits over the page, which stays on screen.
    {
        WizardData typed;
        gui::WizardPageDialog page(WizardPage::Account, typed, {}, &window);
        page.setEnabled(false);
        page.show();
        QCoreApplication::processEvents();
        gui::NotificationBox alert(QStringLiteral("You must choose a user name!"), &page);
        alert.show();
        QCoreApplication::processEvents();
        QPixmap both(page.size());
        both.fill(Qt::darkGray);
        QPainter painter(&both);
        painter.drawPixmap(0, 0, page.grab());
        painter.drawPixmap(alert.geometry().topLeft() - page.geometry().topLeft(), alert.grab());
        painter.end();
        ok = both.save(out.filePath(QStringLiteral("wizard-alert.png"))) && ok;
        std::printf("%s\n", out.filePath(QStringLiteral("wizard-alert.png")).toLocal8Bit().constData());
    }
    // The rename field holds a long name whole; a short notice keeps its caption whole.
    {
        auto rename = gui::MakeRenameDialog(QStringLiteral("Nova Drift - Harbour Lights (live at the Pier, 2026 remaster)"), &window);
        rename->show();
        save(*rename, QStringLiteral("rename-file.png"));
        rename->hide();
        QMessageBox added(QMessageBox::Information, QStringLiteral("Add Selected User to Hot List"),
                          QStringLiteral("Added 1 User to your list."), QMessageBox::Ok, &window);
        gui::KeepCaptionWhole(added);
        added.show();
        save(added, QStringLiteral("hot-list-added.png"));
        added.hide();
    }

    // Every page of the preferences sheet.
    {
        client.state.EditAccount()->userName = "demo";
        client.state.EditAccount()->email = "demo@example.org";
        client.state.EditAccount()->lineSpeed = 8;
        client.state.EditAccount()->dataPort = 6699;
        client.state.EditSettings()->savePath = "/tmp";
        for (const auto& folder : data.sharedFolders) AddSharedFolder(client.state, folder);
        gui::PreferencesDialog sheet(client, &window);
        sheet.show();
        QElapsedTimer listing;
        listing.start();
        while (listing.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const char* names[] = {"preferences-1-personal.png", "preferences-2-chat.png",     "preferences-3-themes.png",
                               "preferences-4-sharing.png",  "preferences-5-download.png", "preferences-6-proxy.png"};
        for (int page = 0; page < 6; ++page) {
            sheet.Pages()->setCurrentIndex(page);
            for (auto* tree : sheet.Pages()->currentWidget()->findChildren<gui::FolderTree*>()) tree->ShowFirstTicked();
            save(sheet, QString::fromLatin1(names[page]));
        }
        sheet.hide();
    }
    return ok ? 0 : 1;
}
