// private_message_bench: one user floods a client with 1,000 private messages (205) within a
// second over loopback through devserver, in instant-message mode (one window takes them all)
// and in chat mode (the personal-messages window). Prints, for each, the time until the last
// line was shown and the longest the GUI thread went without turning its event loop (a 1 ms timer
// measures the gaps). private_message_bench takes the core's views alone;
// private_message_gui_bench (offscreen) has the main window and the skin's instant-message
// window draw every line too.
//   private_message_bench [--messages=N]
//   QT_QPA_PLATFORM=offscreen private_message_gui_bench [--messages=N]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "app/client.h"
#include "app/startup.h"
#include "devserver/dev_server.h"
#include "support/online_client.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"
#ifdef TANDRIL_BENCH_GUI
#include <QApplication>

#include "gui/main_window.h"
#endif

using namespace tandril;
using namespace std::chrono_literals;

namespace {

struct Result {
    bool complete = false;
    qint64 lastLineMs = 0;
    qint64 longestStallMs = 0;
};

// Sends `count` messages spread over one second from a thread of its own, while this thread
// turns the client's event loop until `shown` counts them all.
template <typename Shown>
Result Flood(devserver::DevServer& server, int count, Shown shown) {
    bench::StallMeter stalls;
    stalls.Start();
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> sent{false};
    std::jthread sender([&] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(1'000'000LL * i / count));
            server.SendTo("bench", 205, "flooder message " + std::to_string(i) + " of the flood, as long as a line people type");
        }
        sent = true;
    });
    Result r;
    r.complete = bench::Spin([&] { return sent.load() && shown() >= count; }, 60s);
    r.lastLineMs = clock.elapsed();
    stalls.Stop();
    r.longestStallMs = stalls.TakeLongest();
    return r;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef TANDRIL_BENCH_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    int messages = 1000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--messages=", 11) == 0) messages = std::atoi(argv[i] + 11);
    }
    devserver::DevServer server;
    if (!server.Ok()) return 1;
    test::TestProfile profile;
    test::ScriptedUi ui;
    std::unique_ptr<Client> owned = bench::MakeBenchClient(profile.path(), ui, server);
    if (!owned) return 1;
    Client& client = *owned;
#ifdef TANDRIL_BENCH_GUI
    gui::MainWindow window(client, gui::SkinOptions{.trayAvailable = false, .openUrl = [](const QUrl&) {}});
    window.resize(900, 600);
    window.show();
#endif
    if (!bench::GoOnline(client)) return 1;

    // Instant-message mode: every line into the flooder's window.
    client.state.EditSettings()->instantMessaging = true;
    int windowLines = 0;
    QObject::connect(&client.instantMessages, &chat::InstantMessages::windowOpened, [&](chat::InstantMessageWindow* w) {
        QObject::connect(&w->display, &chat::ChatView::lineAppended, [&] { ++windowLines; });
    });
    Result im = Flood(server, messages, [&] { return windowLines; });

    // Chat mode: every line into the personal-messages window.
    client.state.EditSettings()->instantMessaging = false;
    int personalLines = 0;
    QObject::connect(&client.chat.Personal().chatView, &chat::ChatView::lineAppended, [&] { ++personalLines; });
    Result chatMode = Flood(server, messages, [&] { return personalLines; });

    std::printf("%d private messages sent within a second\n", messages);
    std::printf("instant-message mode: all shown %s, last after %lld ms, longest GUI stall %lld ms\n", im.complete ? "yes" : "NO",
                static_cast<long long>(im.lastLineMs), static_cast<long long>(im.longestStallMs));
    std::printf("chat mode:            all shown %s, last after %lld ms, longest GUI stall %lld ms\n", chatMode.complete ? "yes" : "NO",
                static_cast<long long>(chatMode.lastLineMs), static_cast<long long>(chatMode.longestStallMs));
    ExitApplication(client);
    bench::Spin([] { return false; }, 200ms);
    return im.complete && chatMode.complete ? 0 : 1;
}
