#include "app/startup.h"

#include <QObject>

#include "app/client.h"
#include "app/url_protocol.h"
#include "base/settings.h"
#include "base/text.h"
#include "library/my_files.h"
#include "link/connect_server.h"
#include "platform/socket.h"
#include "session/account.h"
#include "session/hot_list.h"
#include "session/login.h"
#include "session/registration.h"
#include "transfer/data_port.h"
#include "transfer/download_queue.h"
#include "transfer/resume.h"

namespace tandril {

std::vector<std::filesystem::path> PreviousInstallFolders(const Client& client) {
    // The profile folder plays the part of the program's current folder and is searched first.
    std::vector<std::filesystem::path> folders{client.state.profileFolder};
    std::error_code ec;
    auto cwd = std::filesystem::current_path(ec);
    if (!ec && !std::filesystem::equivalent(cwd, client.state.profileFolder, ec)) folders.push_back(cwd);
    return folders;
}

namespace {

enum class AccountSearch { Loaded, OnlineThroughWizard, Stopped };

// No stored account: an earlier installation, else the registration wizard. Stopped means that
// start-up ends here, offline or exiting.
AccountSearch FindAccount(Client& c) {
    ConnectingDialogModel& d = c.dialog;
    AppState& s = c.state;
    for (;;) {
        s.ClearAccount();
        d.SetStatus("Loading Notification List...");
        session::LoadHotList(c.session);
        d.SetStatus("Searching for previous installs...");
        std::optional<std::filesystem::path> found;
        for (const auto& folder : PreviousInstallFolders(c)) {
            if (ImportPreviousInstall(folder, s, c.ui)) {
                found = folder;
                break;
            }
        }
        if (!found) {
            s.ClearAccount();
            d.SetDialogVisible(false);
            if (session::RegistrationWizard(c.session)) {
                d.SetDialogVisible(true);
                transfer::StartDataPortListener(c.transfers);
                d.SetStatus("Building My Files...");
                library::BuildMyFiles(c.library);
                return AccountSearch::OnlineThroughWizard;
            }
            d.SetDialogVisible(true);
            c.main.SetPagesVisible(true);
            return AccountSearch::Stopped;
        }
        ImportProxyFile(*found, s);
        d.SetDialogVisible(false);
        if (!c.ui.AcceptTermsOfUse()) {
            c.PostToGui([&c] { ExitApplication(c); });
            return AccountSearch::Stopped;
        }
        d.SetDialogVisible(true);
        session::SaveAccount(c.session);
        d.SetStatus("Loading registration data...");
        if (session::LoadAccount(c.session)) return AccountSearch::Loaded;
    }
}

}  // namespace

void StartupDriver(Client& c) {
    ConnectingDialogModel& d = c.dialog;
    AppState& s = c.state;
    c.main.SetPagesVisible(false);
    platform::InitNetworking();
    d.SetStatus("Loading registration data...");
    if (!session::LoadAccount(c.session)) {
        switch (FindAccount(c)) {
            case AccountSearch::Loaded:
                break;
            case AccountSearch::OnlineThroughWizard:
                session::GoOnline(c.session);
                return;
            case AccountSearch::Stopped:
                return;
        }
    }
    transfer::StartDataPortListener(c.transfers);
    d.SetStatus("Building My Files...");
    library::BuildMyFiles(c.library);
    d.SetStatus("Loading Notification List...");
    session::LoadHotList(c.session);
    d.SetStatus("Resolving server...");
    platform::InitNetworking();
    if (link::ConnectServer(c.rt, c.link, &d)) {
        d.SetStatus("Connexion au Serveur...");
        if (session::LoginToServer(c.session, true)) {
            session::GoOnline(c.session);
            return;
        }
        d.SetStatus("Impossible de se connecter !");
    } else {
        d.SetStatus(s.settings().proxyVersion != 0 ? "Unable to Connect to Proxy!" : "Impossible de se connecter !");
    }
    c.link.Close();  // a refused login leaves no half-open session behind
    c.main.SetPagesVisible(true);
    d.SetButtonText("OK");
}

bool LoadFileTypesOrEnd(Client& client) {
    library::RegisterBundledFileTypes(client.store, library::BundledPluginFolder());
    if (auto table = library::LoadFileTypes(client.store)) {
        client.library.fileTypes = std::move(*table);
        return true;
    }
    Answer a =
        client.ui.Ask({"Tandril could not find the TVM files required for file sharing and validation.\n"
                       "Please get a new copy of Tandril from its web site and install it again.\n"
                       "Press OK to open your browser at that site.",
                       "TVM's not found.", Buttons::OkCancel, Icon::Error});
    if (a == Answer::Ok) client.ui.OpenUrl(client.state.web.download);
    client.PostToGui([&client] { Q_EMIT client.exitRequested(1); });
    return false;
}

void StartClient(Client& client, std::vector<std::string> arguments) {
    client.ReportStoreProblems();
    // Entries whose partial file was deleted by hand leave resume.dat.
    client.transfers.incomplete.Clean();
    if (!LoadFileTypesOrEnd(client)) return;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&client.dialog, &ConnectingDialogModel::closed, &client, [&client, connection, arguments] {
        QObject::disconnect(*connection);
        HandleCommandLine(client, arguments);
    });
    client.RunConnectingDialog(StartupDriver);
}

namespace {

const char* OutboundQuestion(int downloads, int uploads) {
    if (downloads == 0) {
        return uploads == 1 ? "You have %d outbound transfer in progress. Would you like to unshare your files, then "
                              "have the application Exit automatically once these outbound transfers are complete?"
                            : "You have %d outbound transfers in progress. Would you like to unshare your files, then "
                              "have the application Exit automatically once these outbound transfers are complete?";
    }
    static const char* const kWithDownloads[2][2] = {
        {"You have %d inbound transfer and %d outbound transfer in progress. Would you like to unshare your files, then "
         "have the application Exit automatically once these outbound transfers are complete?",
         "You have %d inbound transfer and %d outbound transfers in progress. Would you like to unshare your files, then "
         "have the application Exit automatically once these outbound transfers are complete?"},
        {"You have %d inbound transfers and %d outbound transfer in progress. Would you like to unshare your files, then "
         "have the application Exit automatically once these outbound transfers are complete?",
         "You have %d inbound transfers and %d outbound transfers in progress. Would you like to unshare your files, "
         "then have the application Exit automatically once these outbound transfers are complete?"}};
    return kWithDownloads[downloads == 1 ? 0 : 1][uploads == 1 ? 0 : 1];
}

void LeaveAfterUploads(Client& c) {
    c.state.exitAfterUploads = true;
    library::UnshareAllFiles(c.library);
    c.SetStatusText(0, Format(99, "Online (%s): Going Offline after Outbound Transfers Complete.", c.state.account().userName.c_str()));
}

}  // namespace

bool ConfirmExit(Client& c) {
    int uploads = c.state.Uploads();
    int downloads = c.state.Downloads();
    if (uploads > 0) {
        std::string text = downloads == 0 ? Format(1000, OutboundQuestion(0, uploads), uploads)
                                          : Format(1000, OutboundQuestion(downloads, uploads), downloads, uploads);
        Answer a = c.ui.Ask({text, "Transfers in Progress!", Buttons::YesNoCancel, Icon::Exclamation});
        if (a == Answer::No) return true;
        // Cancel, like Yes, unshares and defers the exit: the user asked to leave, not to stay.
        LeaveAfterUploads(c);
        return false;
    }
    if (downloads > 0) {
        std::string text = Format(1000,
                                  downloads == 1 ? "You have %d download in progress. Are you sure you want to exit?"
                                                 : "You have %d downloads in progress. Are you sure you want to exit?",
                                  downloads);
        return c.ui.Ask({text, "Transfers in Progress!", Buttons::YesNo, Icon::Exclamation}) != Answer::No;
    }
    return true;
}

void GoOffline(Client& c) {
    Answer a =
        c.ui.Ask({"Would you like to unshare your files, then have the application Exit automatically once these "
                  "outbound transfers are complete?",
                  "Go Offline?", Buttons::YesNo, Icon::Question});
    if (a != Answer::Yes) return;
    if (c.state.Uploads() > 0) {
        LeaveAfterUploads(c);
    } else {
        ExitApplication(c);
    }
}

void ExitApplication(Client& c) {
    if (c.windowGeometry) {
        if (auto geometry = c.windowGeometry()) SaveWindowPlacement(c.store, geometry->first, geometry->second);
    }
    if (c.state.accountOrigin == 0) session::SaveAccount(c.session);
    transfer::SaveIncompleteDownloads(c.transfers);
    c.channels.CloseChannelWindowsSilently();
    c.link.DisableServerNotifications();
    c.link.Close();
    c.state.quitting = true;
    Q_EMIT c.exitRequested(0);
}

}  // namespace tandril
