#include "app/client.h"

#include <ctime>

#include "base/fatal_error.h"
#include "base/settings.h"
#include "server/dispatcher.h"
#include "server/server_disconnect.h"
#include "transfer/data_port.h"

namespace tandril {

Client::Client(UiPort& uiPort, ClientOptions options)
    : ui(uiPort),
      store(options.profileFolder),
      dialog(gui),
      chat(schemes, gui, [this] { return state.settings.swearFilter; }),
      link(gui),
      options_(std::move(options)),
      random_(static_cast<unsigned>(std::time(nullptr))) {
    state.profileFolder = options_.profileFolder;
    state.endpoints = ReadNetworkEndpoints(store);
    const EndpointOverrides& given = options_.endpoints;
    if (given.primaryRedirector) state.endpoints.primaryRedirector = *given.primaryRedirector;
    if (given.fallbackRedirector) state.endpoints.fallbackRedirector = *given.fallbackRedirector;
    if (given.redirectorPort) state.endpoints.redirectorPort = *given.redirectorPort;
    link.SetStallTimeout(options_.serverStallTimeout);
    link.SetCallbacks({
        .sendFailed = [this] { server::ServerDisconnect(*this, true); },
        .frameArrived =
            [this](int type, const std::string& payload) {
                try {
                    server::ServerDispatcher(*this, type, payload);
                } catch (...) {
                    FatalError();
                }
            },
        .connectionLost =
            [this] {
                server::ServerDisconnect(*this, true);
                server::ApplyReconnectRule(*this);
            },
    });
}

Client::~Client() {
    state.quitting = true;
    transfer::StopDataPortListener(*this);  // no connection is accepted while the workers end
    link.Close();
    std::vector<std::jthread> workers;
    {
        std::scoped_lock lock(workersLock_);
        workers.swap(workers_);
    }
    workers.clear();  // joins
}

void Client::RunConnectingDialog(std::function<void(Client&)> worker) {
    state.connectCancelled = false;
    dialog.MarkOpen();
    StartWorker([this, worker = std::move(worker)] { worker(*this); });
}

void Client::CancelConnectingDialog() {
    state.connectCancelled = true;
    main.SetPagesVisible(true);
    dialog.PostClose(0);
}

void Client::PostToGui(std::function<void()> fn) {
    gui.Post(std::move(fn));
}

void Client::StartWorker(std::function<void()> fn) {
    std::scoped_lock lock(workersLock_);
    std::erase_if(workers_, [](std::jthread& t) { return !t.joinable(); });
    workers_.emplace_back(std::move(fn));
}

void Client::Sleep(std::chrono::milliseconds delay) {
    using namespace std::chrono;
    auto until = steady_clock::now() + Scaled(delay);
    while (!state.quitting && steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<milliseconds>(milliseconds(50), duration_cast<milliseconds>(until - steady_clock::now())));
    }
}

std::chrono::milliseconds Client::Scaled(std::chrono::milliseconds delay) const {
    using namespace std::chrono;
    return std::max(milliseconds(1), duration_cast<milliseconds>(duration<double, std::milli>(delay.count() * options_.timeScale)));
}

unsigned Client::Random() {
    std::scoped_lock lock(randomLock_);
    return static_cast<unsigned>(random_());
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
