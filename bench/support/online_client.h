#pragma once
// What the benchmarks that talk to devserver over loopback share: a client logged in as "bench",
// a way to turn the event loop while waiting, and a meter of the GUI thread's stalls.

#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/client.h"
#include "devserver/dev_server.h"
#include "support/scripted_ui.h"

namespace tandril::bench {

// Turns the event loop until `done` or `timeout`; false on time-out.
bool Spin(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// A client of `server` whose profile holds the account "bench" with its save folder; null when
// the settings could not be stored. Waits are shortened a thousandfold.
std::unique_ptr<Client> MakeBenchClient(const std::filesystem::path& profile, test::ScriptedUi& ui, const devserver::DevServer& server);

// Starts the client and waits until it is online and start-up has settled; false (after saying
// so) when it did not get online.
bool GoOnline(Client& client);

// The longest gap between two turns of the event loop while it runs: a 1 ms timer measures them.
class StallMeter {
public:
    StallMeter();
    void Start() { tick_.start(); }
    void Stop() { tick_.stop(); }
    // The longest gap so far, and a fresh start for the next phase.
    qint64 TakeLongest();

private:
    QTimer tick_;
    QElapsedTimer gap_;
    qint64 longest_ = 0;
};

}  // namespace tandril::bench
