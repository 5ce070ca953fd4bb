// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Continuation.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

using namespace quirella;

namespace {

TEST(Continuation, RunsOnTheContextsThreadAndIsDroppedWithTheContextOrAFailure) {
    auto context = std::make_unique<QObject>();
    QThread* calledOn = nullptr;
    QFuture<int> doubled = continueOn(QtConcurrent::run([] { return 21; }), context.get(), [&](int value) {
        calledOn = QThread::currentThread();
        return value * 2;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return doubled.isFinished(); }));
    EXPECT_EQ(doubled.result(), 42);
    EXPECT_EQ(calledOn, QThread::currentThread());

    // The work ends after its object is gone: nothing is called and the future says it was cancelled.
    QSemaphore release;
    bool called = false;
    QFuture<void> orphaned = continueOn(QtConcurrent::run([&release] { release.acquire(); }), context.get(),
                                        [&called] { called = true; });
    context.reset();
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return orphaned.isFinished(); }));
    QTest::qWait(20);
    EXPECT_FALSE(called);
    EXPECT_TRUE(orphaned.isCanceled());

    // What the work throws reaches the returned future instead of the function.
    QObject owner;
    QFuture<void> failed = continueOn(QtConcurrent::run([] { throw std::runtime_error("unreadable"); }),
                                      &owner, [&called] { called = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.isFinished(); }));
    EXPECT_FALSE(called);
    EXPECT_THROW(failed.waitForFinished(), QUnhandledException);
}

} // namespace
