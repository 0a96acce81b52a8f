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
#include "devserver/dev_server.h"
#include "support/online_client.h"
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
    std::unique_ptr<Client> owned = bench::MakeBenchClient(profile.path(), ui, server);
    if (!owned || !bench::GoOnline(*owned)) return 1;
    Client& client = *owned;
    bench::StallMeter stalls;

    const long before = ResidentKiB();
    stalls.Start();
    QElapsedTimer joined;
    joined.start();
    client.channels.JoinOrShow("#crowd");
    bool complete = bench::Spin(
        [&] {
            chat::ChannelWindow* w = client.chat.Find("#crowd");
            return w && w->users->Count() == kUsers + 1 && w->users->rowCount() == kUsers + 1;
        },
        60s);
    const qint64 listMs = joined.elapsed();
    const qint64 joinStall = stalls.TakeLongest();

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
    bench::Spin([&] { return said >= seconds * 100; }, std::chrono::seconds(seconds + 30));
    talk.stop();
    bench::Spin([] { return false; }, 500ms);
    stalls.Stop();
    const qint64 talkStall = stalls.TakeLongest();
    const long after = ResidentKiB();
    chat::ChannelWindow* w = client.chat.Find("#crowd");
    std::printf("user list complete: %s, %lld ms after the join (%zu users)\n", complete ? "yes" : "NO", static_cast<long long>(listMs),
                w ? w->users->Count() : 0);
    std::printf("longest GUI stall: %lld ms while joining, %lld ms during %d lines at 100/s\n", static_cast<long long>(joinStall),
                static_cast<long long>(talkStall), said);
    std::printf("resident memory: %ld KiB before the join, %ld KiB after\n", before, after);
    ExitApplication(client);
    bench::Spin([] { return false; }, 200ms);
    return complete ? 0 : 1;
}
