#pragma once
// Measures the users of one search's results while they arrive: each address once (the first
// result with it), one echo each, 1000 ms to answer. When the search has ended it finishes what
// is left and says so.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "search/search_result.h"

namespace tandril::search {

class ResultPinger {
public:
    static constexpr std::chrono::milliseconds kTimeout{1000};

    // `results` and `lock` are the search's result list and its lock; `finished` runs on the
    // pinger's thread once the search has ended and every claimed result is measured.
    ResultPinger(std::vector<SearchResult>& results, std::mutex& lock, std::function<void()> finished);
    ~ResultPinger();
    ResultPinger(const ResultPinger&) = delete;
    ResultPinger& operator=(const ResultPinger&) = delete;

    // The search ended (or was cancelled): measure what is left, then finish.
    void Stop();
    // True when it finished within `wait`.
    bool WaitDone(std::chrono::milliseconds wait);

private:
    void Run();

    std::vector<SearchResult>& results_;
    std::mutex& lock_;
    std::function<void()> finished_;
    std::mutex stateLock_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace tandril::search
