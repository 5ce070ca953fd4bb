// SPDX-License-Identifier: GPL-3.0-or-later
// Work that ends on an object's thread and is dropped with the object.
//
// QFuture::then(context, ...) in Qt 6.4 asserts, on the worker, that the context still lives when the
// work ends, and otherwise posts to a null object. Work may outlive its object: a model destroyed while
// its undo history is compacted, a window closed during a folder comparison. Here a watcher owned by the
// object carries the result instead; it goes with the object, and the future returned is then cancelled.
#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>

#include <exception>
#include <memory>
#include <type_traits>

namespace quirella {

namespace detail {

template <typename T, typename F>
struct ContinuationResult {
    using type = std::decay_t<std::invoke_result_t<F&, T>>;
};
template <typename F>
struct ContinuationResult<void, F> {
    using type = std::decay_t<std::invoke_result_t<F&>>;
};

// Hands a finished future's result (or its exception, or its cancellation) on to `promise`.
template <typename T, typename R, typename F>
void settle(QFuture<T> done, QPromise<R>& promise, F& function) {
    try {
        done.waitForFinished(); // throws what the work threw
        if (done.isCanceled()) {
            promise.future().cancel();
        } else if constexpr (std::is_void_v<T> && std::is_void_v<R>) {
            function();
        } else if constexpr (std::is_void_v<T>) {
            promise.addResult(function());
        } else if constexpr (std::is_void_v<R>) {
            function(done.result());
        } else {
            promise.addResult(function(done.result()));
        }
    } catch (...) {
        promise.setException(std::current_exception());
    }
    promise.finish();
}

} // namespace detail

// Calls `function` with the result of `future` on `context`'s thread: at once when the future is already
// finished (as QFuture::then does), otherwise from the event loop. Not called when the future is
// cancelled or failed, or when `context` is gone first; the returned future then says so. Call it on
// `context`'s thread.
template <typename T, typename F>
auto continueOn(const QFuture<T>& future, QObject* context, F&& function) {
    using R = typename detail::ContinuationResult<T, F>::type;
    auto promise = std::make_shared<QPromise<R>>();
    promise->start();
    QFuture<R> result = promise->future();
    if (future.isFinished()) {
        detail::settle(future, *promise, function);
        return result;
    }
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, promise, function = std::forward<F>(function)]() mutable {
                         watcher->deleteLater();
                         detail::settle(watcher->future(), *promise, function);
                     });
    watcher->setFuture(future);
    return result;
}

} // namespace quirella
