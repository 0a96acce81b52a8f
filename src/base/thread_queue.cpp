#include "base/thread_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QThread>
#include <cstdint>
#include <stdexcept>

namespace tandril {

ThreadQueue::ThreadQueue(QObject* parent) : QObject(parent) {
    eventFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (eventFd_ < 0) throw std::runtime_error("eventfd failed");
    notifier_ = std::make_unique<QSocketNotifier>(eventFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { RunPending(); });
}

ThreadQueue::~ThreadQueue() {
    notifier_.reset();
    ::close(eventFd_);
}

void ThreadQueue::Post(std::function<void()> fn) {
    {
        std::scoped_lock lock(lock_);
        pending_.push_back(std::move(fn));
    }
    std::uint64_t one = 1;
    // A full counter (never in practice) still leaves the descriptor readable, so nothing is lost.
    [[maybe_unused]] auto n = ::write(eventFd_, &one, sizeof one);
}

bool ThreadQueue::IsOwnerThread() const {
    return QThread::currentThread() == thread();
}

void ThreadQueue::RunOrPost(std::function<void()> fn) {
    if (IsOwnerThread()) {
        fn();
    } else {
        Post(std::move(fn));
    }
}

void ThreadQueue::RunPending() {
    // Only what was queued when this turn of the event loop began, one at a time: work that queues
    // more (a reader handing over one frame per turn) lets the loop breathe in between, and a
    // function that opens a nested event loop lets the later ones run there, in order. The
    // descriptor stays readable until the queue is empty.
    std::size_t turn = 0;
    {
        std::scoped_lock lock(lock_);
        turn = pending_.size();
    }
    for (; turn > 0; --turn) {
        std::function<void()> fn;
        {
            std::scoped_lock lock(lock_);
            if (pending_.empty()) break;
            fn = std::move(pending_.front());
            pending_.pop_front();
        }
        fn();
    }
    std::scoped_lock lock(lock_);
    if (pending_.empty()) {
        std::uint64_t count = 0;
        [[maybe_unused]] auto n = ::read(eventFd_, &count, sizeof count);
    }
}

}  // namespace tandril
