// The one worker thread of a job: 1 MiB of stack, the highest priority the system
// grants without privileges. Its function's return is visible through hasReturned(),
// and the UI thread is woken right after, so an idle hook waiting for it runs at once.
#pragma once

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace kqt {

class WorkerThread {
public:
    static constexpr unsigned kStackSize = 1u << 20;

    // Begins fn; nullptr when no thread could be started.
    static std::unique_ptr<WorkerThread> begin(std::function<void()> fn);
    // Waits for the thread to end. Only call once hasReturned() is true: the worker
    // may still need the UI thread before that.
    ~WorkerThread();

    bool hasReturned() const { return m_returned.load(std::memory_order_acquire); }

private:
    WorkerThread() = default;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_returned{false};
};

} // namespace kqt
