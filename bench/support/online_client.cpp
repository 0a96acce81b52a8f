#include "support/online_client.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/startup.h"
#include "base/settings.h"

namespace tandril::bench {

using namespace std::chrono_literals;

bool Spin(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

std::unique_ptr<Client> MakeBenchClient(const std::filesystem::path& profile, test::ScriptedUi& ui, const devserver::DevServer& server) {
    ClientOptions options{profile};
    options.endpoints.primaryRedirector = options.endpoints.fallbackRedirector = "127.0.0.1";
    options.endpoints.redirectorPort = server.RedirectorPort();
    options.timeScale = 0.001;
    auto client = std::make_unique<Client>(ui, options);
    AppState s;
    s.EditAccount()->userName = "bench";
    s.EditAccount()->password = "pw";
    s.EditAccount()->lineSpeed = 8;
    s.EditSettings()->savePath = (profile / "Downloads").string();
    test::ScriptedUi quiet;
    if (!SaveSettings(client->store, s, quiet)) return nullptr;
    return client;
}

bool GoOnline(Client& client) {
    StartClient(client, {});
    if (!Spin([&] { return !client.dialog.IsOpen() && client.state.connected.load(); }, 20s)) {
        std::fprintf(stderr, "could not get online\n");
        return false;
    }
    Spin([] { return false; }, 200ms);  // let start-up settle
    return true;
}

StallMeter::StallMeter() {
    tick_.setInterval(1);
    QObject::connect(&tick_, &QTimer::timeout, [this] {
        if (gap_.isValid()) longest_ = std::max(longest_, gap_.elapsed());
        gap_.restart();
    });
}

qint64 StallMeter::TakeLongest() {
    return std::exchange(longest_, 0);
}

}  // namespace tandril::bench
