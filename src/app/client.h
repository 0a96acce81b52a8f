#pragma once
// One running client: the composition root that the Qt application, the command-line front end
// and the tests each create. It owns the runtime and every part, hands each part what it works
// with, and connects what a part asks of the application (the exit, a connection) to the answer.

#include <QObject>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "base/runtime.h"
#include "base/window_placement.h"
#include "browse/browse.h"
#include "chat/channels.h"
#include "chat/chat_windows.h"
#include "chat/color_scheme.h"
#include "chat/ignore_list.h"
#include "chat/instant_messages.h"
#include "library/library.h"
#include "link/server_link.h"
#include "player/audio_sink.h"
#include "player/player.h"
#include "playlist/player_panel.h"
#include "search/search_session.h"
#include "session/session.h"
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
    // Where the player's sound goes; empty: the desktop's sound server.
    player::SinkFactory sink;
};

class Client : public QObject {
    Q_OBJECT
public:
    Client(UiPort& ui, ClientOptions options);
    ~Client() override;

    Runtime rt;
    // The runtime's members under their own names, for the front ends.
    UiPort& ui;
    AppState& state;
    ConfigStore& store;
    ThreadQueue& gui;
    MainViewModel& main;
    ConnectingDialogModel& dialog;

    // The built-in player, shared by the panel and the streams; it outlives both.
    player::Player player;
    chat::ColorSchemes schemes;
    chat::ChatWindows chat;
    link::ServerLink link;
    chat::Channels channels;
    library::Library library;
    transfer::Transfers transfers;
    search::SearchSession search;
    playlist::PlayerPanel panel;
    chat::HotList hotList;
    chat::UserInfoWindows userInfo;
    chat::InstantMessages instantMessages;
    chat::IgnoreList ignoreList;
    browse::Browse browse;
    session::Session session;

    // The skin tells where the main window stands, for saving its placement at exit.
    std::function<std::optional<std::pair<WindowRect, ScreenArea>>()> windowGeometry;

    // Opens the connecting dialog and runs `worker` on a thread of its own.
    void RunConnectingDialog(std::function<void(Client&)> worker);
    // "Annuler" (or "OK" once start-up failed) on the connecting dialog.
    void CancelConnectingDialog();
    void PostToGui(std::function<void()> fn) { rt.PostToGui(std::move(fn)); }
    void SetStatusText(int part, const std::string& text) { rt.SetStatusText(part, text); }

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
};

}  // namespace tandril
