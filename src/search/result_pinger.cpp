#include "search/result_pinger.h"

#include <algorithm>
#include <map>

#include "search/icmp_ping.h"

namespace tandril::search {

using Clock = std::chrono::steady_clock;

ResultPinger::ResultPinger(std::vector<SearchResult>& results, std::mutex& lock, std::function<void()> finished)
    : results_(results), lock_(lock), finished_(std::move(finished)), thread_([this] { Run(); }) {}

ResultPinger::~ResultPinger() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void ResultPinger::Stop() {
    std::scoped_lock lock(stateLock_);
    stop_ = true;
    changed_.notify_all();
}

bool ResultPinger::WaitDone(std::chrono::milliseconds wait) {
    std::unique_lock lock(stateLock_);
    return changed_.wait_for(lock, wait, [this] { return done_; });
}

void ResultPinger::Run() {
    std::optional<IcmpSocket> socket = IcmpSocket::Open();
    struct Pending {
        std::size_t result;
        Clock::time_point sent;
    };
    std::map<std::uint32_t, Pending> pending;  // by address
    for (;;) {
        bool stopping;
        {
            std::scoped_lock lock(stateLock_);
            stopping = stop_;
        }
        // Claim every result not measured yet that is the first of its address.
        std::vector<std::pair<std::size_t, std::uint32_t>> claimed;
        if (socket) {
            std::scoped_lock lock(lock_);
            for (std::size_t i = 0; i < results_.size(); ++i) {
                if (results_[i].ping != kPingNotMeasured) continue;
                bool first = std::none_of(results_.begin(), results_.begin() + static_cast<std::ptrdiff_t>(i),
                                          [&](const SearchResult& r) { return r.address == results_[i].address; });
                if (!first) continue;
                results_[i].ping = kPingMeasuring;
                claimed.emplace_back(i, results_[i].address);
            }
        }
        for (auto [index, address] : claimed) {
            if (socket->Send(address)) {
                pending[address] = {index, Clock::now()};
            } else {
                std::scoped_lock lock(lock_);
                if (index < results_.size()) results_[index].ping = kPingNoAnswer;
            }
        }
        if (pending.empty()) {
            if (stopping) break;
            std::unique_lock lock(stateLock_);
            changed_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; });
            continue;
        }
        auto reply = socket->Receive(std::chrono::milliseconds(100));
        std::scoped_lock lock(lock_);
        if (reply) {
            if (auto it = pending.find(reply->first); it != pending.end()) {
                if (it->second.result < results_.size()) results_[it->second.result].ping = reply->second;
                pending.erase(it);
            }
        }
        for (auto it = pending.begin(); it != pending.end();) {
            if (Clock::now() - it->second.sent < kTimeout) {
                ++it;
                continue;
            }
            if (it->second.result < results_.size()) results_[it->second.result].ping = kPingNoAnswer;
            it = pending.erase(it);
        }
    }
    if (finished_) finished_();
    std::scoped_lock lock(stateLock_);
    done_ = true;
    changed_.notify_all();
}

}  // namespace tandril::search
