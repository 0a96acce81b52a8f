// browse_bench: one client browses another who shares --files files (100,000 by default), directly
// over loopback through devserver (640, 641, "GETLIST"), with the real "&Favoris" page showing the
// list offscreen. Prints the time from the browse to the whole list in the page's view, and the
// longest the GUI thread went without turning its event loop (a 1 ms timer measures the gaps).
//   QT_QPA_PLATFORM=offscreen browse_bench [--files=N]

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/client.h"
#include "app/startup.h"
#include "base/settings.h"
#include "browse/browse.h"
#include "devserver/dev_server.h"
#include "gui/pages/hot_list_page.h"
#include "support/scripted_ui.h"
#include "support/test_profile.h"

using namespace tandril;
using namespace std::chrono_literals;

namespace {

template <typename F>
bool Spin(F done, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct User {
    User(devserver::DevServer& server, const std::string& name, int dataPort) {
        ClientOptions options{profile.path()};
        options.endpoints.primaryRedirector = options.endpoints.fallbackRedirector = "127.0.0.1";
        options.endpoints.redirectorPort = server.RedirectorPort();
        client = std::make_unique<Client>(ui, options);
        AppState s;
        s.EditAccount()->userName = name;
        s.EditAccount()->password = "pw";
        s.EditAccount()->lineSpeed = 8;
        s.EditAccount()->dataPort = dataPort;
        s.EditSettings()->savePath = (profile.path() / "Downloads").string();
        test::ScriptedUi quiet;
        SaveSettings(client->store, s, quiet);
    }
    bool Online() {
        StartClient(*client, {});
        return Spin([&] { return !client->dialog.IsOpen() && client->state.connected.load(); }, 20s);
    }
    test::TestProfile profile;
    test::ScriptedUi ui;
    std::unique_ptr<Client> client;
};

int FreePort() {
    platform::Socket s = platform::ListenTcp(0, true);
    return platform::LocalPort(s);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::size_t files = 100000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0) files = std::strtoul(argv[i] + 8, nullptr, 10);
    }
    devserver::DevServer server;
    if (!server.Ok()) return 1;
    User ann(server, "ann", FreePort()), rob(server, "rob", 0);
    if (!ann.Online() || !rob.Online()) {
        std::fprintf(stderr, "could not get online\n");
        return 1;
    }
    {
        // ann's library, as a scan would leave it once announced: a thousand folders of a hundred.
        library::SharedList& list = ann.client->library.sharedList;
        std::scoped_lock held(list.lock);
        for (std::size_t i = 0; i < files; ++i) {
            library::SharedFileRecord r;
            r.path = "/home/ann/Music/Artist " + std::to_string(i / 100) + "/Album/Track " + std::to_string(i) + " - a song title.mp3";
            r.hash = "0123456789abcdef0123456789abcdef-" + std::to_string(3000000 + i);
            r.size = static_cast<std::uint32_t>(3000000 + i);
            r.bitrate = 128;
            r.frequency = 44100;
            r.length = 180 + static_cast<int>(i % 120);
            r.announced = true;
            list.AssignFolderNumber(list.Append(std::move(r)));
        }
    }
    gui::HotListPage page(*rob.client);
    page.resize(900, 600);
    page.show();
    Spin([] { return false; }, 200ms);

    QElapsedTimer gap;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (gap.isValid()) longest = std::max(longest, gap.elapsed());
        gap.restart();
    });
    tick.start();
    QElapsedTimer browsing;
    browsing.start();
    browse::ViewFiles(rob.client->browse, "ann");
    const bool shown = Spin([&] { return page.Browser()->model()->rowCount() == static_cast<int>(files); }, 60s);
    // The view has drawn the rows it shows.
    QCoreApplication::processEvents();
    page.Browser()->viewport()->repaint();
    const qint64 shownMs = browsing.elapsed();
    tick.stop();
    std::printf("files: %zu\nshown: %s\ntime to the whole list shown: %lld ms\nlongest GUI-thread stall: %lld ms\n", files,
                shown ? "yes" : "NO", static_cast<long long>(shownMs), static_cast<long long>(longest));
    return shown ? 0 : 1;
}
