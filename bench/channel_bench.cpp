// channel_bench: one client joins a channel of 5,000 users on devserver over loopback (the 408
// burst), then the channel talks at 100 lines a second for --seconds (60 by default). Prints the
// time from the join to a complete user list, the longest the GUI thread went without turning its
// event loop (a 1 ms timer measures the gaps), and the resident memory before and after.
//   channel_bench [--seconds=N]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "app/client.h"
#include "app/startup.h"
#include "base/settings.h"
#include "devserver/dev_server.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

// Turns the event loop until `done` or `timeout`; false on time-out.
template <typename F>
bool Spin(F done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) seconds = std::atoi(argv[i] + 10);
    }
    constexpr int kUsers = 5000;
    devserver::DevServer server;
    if (!server.Ok()) return 1;
    std::vector<devserver::Member> crowd;
    for (int i = 0; i < kUsers; ++i) crowd.push_back({"user" + std::to_string(i * 7919 % 100000), i % 3000, i % 11});
    server.AddChannelMembers("#crowd", crowd);

    test::TestProfile profile;
    test::ScriptedUi ui;
    ClientOptions options{profile.path()};
    options.endpoints.primaryRedirector = options.endpoints.fallbackRedirector = "127.0.0.1";
    options.endpoints.redirectorPort = server.RedirectorPort();
    options.timeScale = 0.001;
    Client client(ui, options);
    {
        AppState s;
        s.EditAccount()->userName = "bench";
        s.EditAccount()->password = "pw";
        s.EditAccount()->lineSpeed = 8;
        s.EditSettings()->savePath = (profile.path() / "Downloads").string();
        test::ScriptedUi quiet;
        if (!SaveSettings(client.store, s, quiet)) return 1;
    }
    StartClient(client, {});
    if (!Spin([&] { return !client.dialog.IsOpen() && client.state.connected.load(); }, 20s)) {
        std::fprintf(stderr, "could not get online\n");
        return 1;
    }
    Spin([] { return false; }, 200ms);  // let start-up settle

    // The longest gap between two turns of the event loop.
    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (gap.isValid()) longest = std::max(longest, gap.elapsed());
        gap.restart();
    });

    const long before = ResidentKiB();
    tick.start();
    QElapsedTimer joined;
    joined.start();
    client.channels.JoinOrShow("#crowd");
    bool complete = Spin(
        [&] {
            chat::ChannelWindow* w = client.chat.Find("#crowd");
            return w && w->users->Count() == kUsers + 1 && w->users->rowCount() == kUsers + 1;
        },
        60s);
    const qint64 listMs = joined.elapsed();
    const qint64 joinStall = longest;
    longest = 0;

    // 100 lines a second, said by members of the crowd, for `seconds`.
    int said = 0;
    QTimer talk;
    talk.setInterval(10);
    QObject::connect(&talk, &QTimer::timeout, [&] {
        server.SayInChannel("#crowd", crowd[static_cast<std::size_t>(said) % crowd.size()].user,
                            "line " + std::to_string(said) + " of the benchmark, long enough to look like a real chat line");
        ++said;
    });
    talk.start();
    Spin([&] { return said >= seconds * 100; }, std::chrono::seconds(seconds + 30));
    talk.stop();
    Spin([] { return false; }, 500ms);
    tick.stop();
    const long after = ResidentKiB();
    chat::ChannelWindow* w = client.chat.Find("#crowd");
    std::printf("user list complete: %s, %lld ms after the join (%zu users)\n", complete ? "yes" : "NO", static_cast<long long>(listMs),
                w ? w->users->Count() : 0);
    std::printf("longest GUI stall: %lld ms while joining, %lld ms during %d lines at 100/s\n", static_cast<long long>(joinStall),
                static_cast<long long>(longest), said);
    std::printf("resident memory: %ld KiB before the join, %ld KiB after\n", before, after);
    ExitApplication(client);
    Spin([] { return false; }, 200ms);
    return complete ? 0 : 1;
}
