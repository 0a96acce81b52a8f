#include "app/client.h"

#include "app/startup.h"
#include "base/fatal_error.h"
#include "base/settings.h"
#include "browse/list_exchange.h"
#include "player/pulse_sink.h"
#include "search/icmp_ping.h"
#include "session/dispatcher.h"
#include "session/ignore_list.h"
#include "session/instant_messages.h"
#include "session/reconnect.h"
#include "session/server_disconnect.h"
#include "transfer/data_port.h"

namespace tandril {

Client::Client(UiPort& uiPort, ClientOptions options)
    : rt(uiPort, options.profileFolder, options.timeScale),
      ui(rt.ui),
      state(rt.state),
      store(rt.store),
      gui(rt.gui),
      main(rt.main),
      dialog(rt.dialog),
      player(options.sink ? options.sink : player::SinkFactory([] { return std::make_unique<player::PulseSink>(); })),
      chat(schemes, rt.gui, [this] { return state.settings().swearFilter; }),
      link(rt.gui),
      channels(rt, link, chat),
      library(rt, link),
      transfers(rt, link, library),
      search(rt, link),
      panel(rt, player),
      hotList(schemes),
      userInfo(schemes),
      instantMessages(schemes, [this] { return state.settings().swearFilter; }),
      browse(rt, link, library, transfers, hotList),
      session{rt,         link,     schemes,
              chat,       channels, library,
              transfers,  search,   panel,
              hotList,    userInfo, instantMessages,
              ignoreList, browse,   options.dataPortCandidates} {
    transfers.streams.SetPlayer(&player);
    transfers.listConnection = [this](protocol::PeerCommand command, int socket, const std::string& rest) {
        browse::ListConnection(browse, command, socket, rest);
    };
    transfers.ping = [](std::uint32_t address, std::chrono::milliseconds limit) { return search::PingHost(address, limit); };
    channels.openInstantMessage = [this](const std::string& user) { session::OpenInstantMessage(session, user); };
    channels.ignoreUser = [this](const std::string& user) { session::IgnoreUser(session, user); };
    state.endpoints = ReadNetworkEndpoints(store);
    const EndpointOverrides& given = options.endpoints;
    if (given.primaryRedirector) state.endpoints.primaryRedirector = *given.primaryRedirector;
    if (given.fallbackRedirector) state.endpoints.fallbackRedirector = *given.fallbackRedirector;
    if (given.redirectorPort) state.endpoints.redirectorPort = *given.redirectorPort;
    link.SetStallTimeout(options.serverStallTimeout);
    link.SetCallbacks({
        .sendFailed = [this] { session::ServerDisconnect(session, true); },
        .frameArrived =
            [this](int type, const std::string& payload) {
                try {
                    session::ServerDispatcher(session, type, payload);
                } catch (...) {
                    FatalError();
                }
            },
        .connectionLost =
            [this] {
                session::ServerDisconnect(session, true);
                session::ApplyReconnectRule(session);
            },
    });
    QObject::connect(&rt, &Runtime::exitApplicationRequested, this, [this] { ExitApplication(*this); });
    QObject::connect(&search, &search::SearchSession::connectRequested, this, [this] { session::ConnectCommand(session); });
}

Client::~Client() {
    state.quitting = true;
    player.Stop();                              // a stream's worker blocked on the sound output lets go now
    transfer::StopDataPortListener(transfers);  // no connection is accepted while the workers end
    link.Close();
    rt.JoinWorkers();
}

void Client::RunConnectingDialog(std::function<void(Client&)> worker) {
    session::RunConnectingDialog(session, [this, worker = std::move(worker)](session::Session&) { worker(*this); });
}

void Client::CancelConnectingDialog() {
    state.connectCancelled = true;
    main.SetPagesVisible(true);
    dialog.PostClose(0);
}

void Client::ReportStoreProblems() {
    auto problems = store.Problems();
    if (problems.empty()) return;
    std::string text = "Some settings could not be read and were skipped:\n";
    for (const auto& p : problems) text += p + "\n";
    ui.ShowAlert(AlertKind::Modeless, text);
}

void Client::FatalError() {
    ui.ShowFatalError(FatalErrorText());
    state.quitting = true;
    Q_EMIT exitRequested(1);
}

}  // namespace tandril
