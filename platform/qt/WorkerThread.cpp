#include "qt/WorkerThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <algorithm>
#include <cerrno>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace kqt {

namespace {

// Linux schedules ordinary threads by nice value alone, so the scheduling priority
// that QThread sets changes nothing there. Lower the thread's nice value by up to two
// steps, as far as RLIMIT_NICE lets an unprivileged process go; failing is harmless.
void raiseNiceness()
{
#if defined(__linux__)
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return;
    const long floorNice = 20 - static_cast<long>(limit.rlim_cur > 40 ? 40 : limit.rlim_cur);
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, tid);
    if (errno != 0)
        return;
    const long wanted = std::max<long>(current - 2, floorNice);
    if (wanted < current)
        setpriority(PRIO_PROCESS, tid, static_cast<int>(wanted));
#endif
}

} // namespace

std::unique_ptr<WorkerThread> WorkerThread::begin(std::function<void()> fn)
{
    std::unique_ptr<WorkerThread> worker(new WorkerThread);
    WorkerThread* self = worker.get();
    QThread* ui = QThread::currentThread();
    worker->m_thread.reset(QThread::create([self, ui, fn = std::move(fn)] {
        raiseNiceness();
        fn();
        self->m_returned.store(true, std::memory_order_release);
        // Wake the UI thread so that its idle hook sees the return without waiting
        // for the user's next input.
        if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance(ui))
            d->wakeUp();
    }));
    worker->m_thread->setStackSize(kStackSize);
    worker->m_thread->start(QThread::HighestPriority);
    if (!worker->m_thread->isRunning() && !worker->m_thread->isFinished())
        return nullptr;
    return worker;
}

WorkerThread::~WorkerThread()
{
    if (m_thread)
        m_thread->wait();
}

} // namespace kqt
