#pragma once
// Hands functions from any thread to the thread that owns the queue, where they run in order.
//
// Qt's own posted-event queue would do the same, but its locks are invisible to the thread
// sanitizer, which then reports every handed-over closure as a race (and, worse, may hide a real
// one among them). Here the hand-over is a std::mutex and an eventfd: both are seen.

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSocketNotifier;

namespace tandril {

class ThreadQueue : public QObject {
public:
    // Must be made on the thread that is to run the functions.
    explicit ThreadQueue(QObject* parent = nullptr);
    ~ThreadQueue() override;
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // Queues fn; it runs on the owning thread's event loop, after everything queued before it.
    void Post(std::function<void()> fn);
    // Runs fn at once when called on the owning thread, else queues it.
    void RunOrPost(std::function<void()> fn);
    // True on the thread that runs the queued functions (the GUI thread).
    bool IsOwnerThread() const;

private:
    void RunPending();

    int eventFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::mutex lock_;
    std::deque<std::function<void()>> pending_;
};

}  // namespace tandril
