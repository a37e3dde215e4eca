// Runs a function on the thread of a UI object and waits for its result. From any
// other thread the call is queued to the object's thread, which must be running its
// event loop; on the object's own thread it runs directly (queuing there would wait
// for itself for ever).
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <type_traits>
#include <utility>

namespace kqt {

template <typename F>
auto callOnUi(QObject* target, F&& fn) -> std::invoke_result_t<F>
{
    using R = std::invoke_result_t<F>;
    if (QThread::currentThread() == target->thread())
        return fn();
    if constexpr (std::is_void_v<R>) {
        QMetaObject::invokeMethod(target, std::forward<F>(fn), Qt::BlockingQueuedConnection);
    } else {
        R result{};
        QMetaObject::invokeMethod(target, std::forward<F>(fn), Qt::BlockingQueuedConnection,
                                  &result);
        return result;
    }
}

} // namespace kqt
