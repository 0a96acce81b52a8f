#pragma once
// One running client: its state, settings store, view models and server link, and the threads
// it runs. The composition root that the Qt application, the command-line front end and the
// tests each create; the Parts' operations take it by reference.

#include <QObject>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "base/app_state.h"
#include "base/config_store.h"
#include "base/thread_queue.h"
#include "base/ui_port.h"
#include "base/view_models.h"
#include "base/window_placement.h"
#include "chat/chat_windows.h"
#include "chat/color_scheme.h"
#include "library/file_types.h"
#include "library/library_view.h"
#include "library/shared_list.h"
#include "search/search_session.h"
#include "server/server_link.h"
#include "transfer/transfers.h"

namespace tandril {

struct ClientOptions {
    std::filesystem::path profileFolder;
    EndpointOverrides endpoints;
    // Every wait of the protocol (redirector busy, reconnect delays) is multiplied by this; tests
    // shorten them instead of sleeping for real.
    double timeScale = 1.0;
    // How long a silent server may keep a read or a write waiting before it counts as gone.
    std::chrono::milliseconds serverStallTimeout{std::chrono::seconds(60)};
    // The ports offered to the server's reachability test, in order.
    std::vector<int> dataPortCandidates{6699, 6700, 80, 21, 23};
};

class Client : public QObject {
    Q_OBJECT
public:
    Client(UiPort& ui, ClientOptions options);
    ~Client() override;

    UiPort& ui;
    AppState state;
    ConfigStore store;
    // Work handed to the GUI thread from any other.
    ThreadQueue gui;
    MainViewModel main;
    ConnectingDialogModel dialog;
    chat::ColorSchemes schemes;
    chat::ChatWindows chat;
    server::ServerLink link;
    // The shareable file types, loaded at start-up.
    library::FileTypeTable fileTypes;
    // The files this user shares, and the library view's rows.
    library::SharedList sharedList;
    library::LibraryView libraryView;
    search::SearchSession search;
    // Downloads and uploads, their rows and the data port.
    transfer::Transfers transfers;

    // The skin tells where the main window stands, for saving its placement at exit.
    std::function<std::optional<std::pair<WindowRect, ScreenArea>>()> windowGeometry;

    // Opens the connecting dialog and runs `worker` on a thread of its own.
    void RunConnectingDialog(std::function<void(Client&)> worker);
    // "Annuler" (or "OK" once start-up failed) on the connecting dialog.
    void CancelConnectingDialog();
    void PostToGui(std::function<void()> fn);
    // Starts a thread that is joined when the client ends.
    void StartWorker(std::function<void()> fn);
    // Waits for a protocol delay, scaled by the time scale; returns early when the client quits.
    void Sleep(std::chrono::milliseconds delay);
    // A protocol wait or time-out as this client counts it (tests shorten them).
    std::chrono::milliseconds Scaled(std::chrono::milliseconds delay) const;
    unsigned Random();
    const std::vector<int>& DataPortCandidates() const { return options_.dataPortCandidates; }
    void SetStatusText(int part, const std::string& text) { main.SetStatusText(part, text); }

    // Reports a damaged settings file (if any) to the user.
    void ReportStoreProblems();
    // An error that no handler could deal with: the fatal-error box, then the program ends with 1.
    void FatalError();

Q_SIGNALS:
    // The program should end with this exit code (after ExitApplication, or a fatal error).
    void exitRequested(int code);
    // A second start asked this instance to come to the front.
    void raiseRequested();
    // A link reached the URL protocol handler.
    void linkReceived(const QString& link);
    // The current colour scheme changed: views take its background and colours.
    void schemeApplied();

private:
    ClientOptions options_;
    std::mutex workersLock_;
    std::vector<std::jthread> workers_;
    std::mutex randomLock_;
    std::mt19937 random_;
};

}  // namespace tandril
