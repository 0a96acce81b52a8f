#pragma once
// What every part of a running client works with: the state and settings, the UI port, the
// hand-over to the GUI thread, the main window's and the connecting dialog's texts, the worker
// threads and the clock that scales the protocol's waits. One per client; the parts get it by
// reference, never through a global.

#include <QObject>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/app_state.h"
#include "base/config_store.h"
#include "base/thread_queue.h"
#include "base/ui_port.h"
#include "base/view_models.h"

namespace tandril {

class Runtime : public QObject {
    Q_OBJECT
public:
    // `timeScale` multiplies every wait of the protocol: tests shorten them instead of sleeping.
    Runtime(UiPort& ui, std::filesystem::path profileFolder, double timeScale = 1.0);
    ~Runtime() override;
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    UiPort& ui;
    AppState state;
    ConfigStore store;
    // Work handed to the GUI thread from any other.
    ThreadQueue gui;
    MainViewModel main;
    ConnectingDialogModel dialog;

    void PostToGui(std::function<void()> fn) { gui.Post(std::move(fn)); }
    // Starts a thread of its own for `fn`. A finished thread is reclaimed when the next one starts;
    // the ones still running are joined by JoinWorkers.
    void StartWorker(std::function<void()> fn);
    // Waits for every worker (the caller has asked them to end, through state.quitting).
    void JoinWorkers();
    // Threads started and not yet reclaimed.
    std::size_t WorkerCount();

    // Waits for a protocol delay, scaled; returns early when the client quits.
    void Sleep(std::chrono::milliseconds delay);
    // A protocol wait or time-out as this client counts it.
    std::chrono::milliseconds Scaled(std::chrono::milliseconds delay) const;
    unsigned Random();
    void SetStatusText(int part, const std::string& text) { main.SetStatusText(part, text); }

    // A part asks for the orderly end of the program (as "Quitter" does); handled on the GUI thread
    // by whoever listens to exitApplicationRequested.
    void RequestApplicationExit();

Q_SIGNALS:
    void exitApplicationRequested();

private:
    struct Worker {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    double timeScale_;
    std::mutex workersLock_;
    std::vector<Worker> workers_;
    std::mutex randomLock_;
    std::mt19937 random_;
};

}  // namespace tandril
