#include "base/runtime.h"

#include <algorithm>
#include <atomic>

namespace tandril {

namespace {

// Clients started together must not reconnect together after a server restart.
std::mt19937 SeededGenerator() {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device()};
    return std::mt19937(seed);
}

}  // namespace

Runtime::Runtime(UiPort& uiPort, std::filesystem::path profileFolder, double timeScale)
    : ui(uiPort), store(profileFolder), dialog(gui), timeScale_(timeScale), random_(SeededGenerator()) {
    state.profileFolder = std::move(profileFolder);
}

Runtime::~Runtime() {
    state.quitting = true;
    JoinWorkers();
}

void Runtime::StartWorker(std::function<void()> fn) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::vector<Worker> finished;
    std::scoped_lock lock(workersLock_);
    // A finished thread stays joinable until it is joined: reclaim those now, outside the lock.
    auto split = std::stable_partition(workers_.begin(), workers_.end(), [](const Worker& w) { return !w.done->load(); });
    std::move(split, workers_.end(), std::back_inserter(finished));
    workers_.erase(split, workers_.end());
    workers_.push_back({std::jthread([fn = std::move(fn), done] {
                            fn();
                            done->store(true);
                        }),
                        done});
}

void Runtime::JoinWorkers() {
    std::vector<Worker> workers;
    {
        std::scoped_lock lock(workersLock_);
        workers.swap(workers_);
    }
    workers.clear();  // joins
}

std::size_t Runtime::WorkerCount() {
    std::scoped_lock lock(workersLock_);
    return workers_.size();
}

void Runtime::Sleep(std::chrono::milliseconds delay) {
    using namespace std::chrono;
    auto until = steady_clock::now() + Scaled(delay);
    while (!state.quitting && steady_clock::now() < until) {
        std::this_thread::sleep_for(std::min<milliseconds>(milliseconds(50), duration_cast<milliseconds>(until - steady_clock::now())));
    }
}

std::chrono::milliseconds Runtime::Scaled(std::chrono::milliseconds delay) const {
    using namespace std::chrono;
    return std::max(milliseconds(1), duration_cast<milliseconds>(duration<double, std::milli>(delay.count() * timeScale_)));
}

unsigned Runtime::Random() {
    std::scoped_lock lock(randomLock_);
    return static_cast<unsigned>(random_());
}

void Runtime::RequestApplicationExit() {
    gui.RunOrPost([this] { Q_EMIT exitApplicationRequested(); });
}

}  // namespace tandril
