// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ProgressManager.h"
#include "model/RemainingTime.h"
#include "model/ToastManager.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>
#include <thread>
#include <tuple>

using namespace quirella;
using Operation = ProgressManager::Operation;
using OperationType = ProgressManager::OperationType;
using ToastType = ToastManager::ToastType;

namespace {

void deliverPostedChanges() {
    QCoreApplication::sendPostedEvents();
}

Operation loading(int total) {
    Operation operation;
    operation.type = OperationType::loadingFolder;
    operation.message = QStringLiteral("Processing %1 songs...").arg(total);
    operation.total = total;
    return operation;
}

TEST(ProgressManager, UpdatesArePostedClampedAndKeepThePreviousDetailWhenEmpty) {
    ProgressManager progress;
    Operation operation = loading(12);
    operation.detailedMessage = QStringLiteral("previous line");
    progress.startOperation(operation);

    progress.updateProgress(3, 12, QString());
    EXPECT_EQ(progress.current(), 0) << "applied before the event loop ran";
    deliverPostedChanges();
    EXPECT_DOUBLE_EQ(progress.progress(), 25);
    EXPECT_EQ(progress.current(), 3);
    EXPECT_EQ(progress.detailedMessage(), QStringLiteral("previous line"));

    for (const auto& [current, total, percent] : {std::tuple{15, 10, 100.0},
                                                  {10, 10, 100.0},
                                                  {-1, 10, 0.0},
                                                  {0, 0, 0.0},
                                                  {5, 0, 100.0},
                                                  {1, 3, 100.0 / 3}}) {
        EXPECT_DOUBLE_EQ(progressPercent(current, total), percent) << current << " of " << total;
    }
    progress.updateProgress(15, 10, QStringLiteral("detail"));
    deliverPostedChanges();
    EXPECT_DOUBLE_EQ(progress.progress(), 100);
    EXPECT_EQ(progress.detailedMessage(), QStringLiteral("detail"));
}

TEST(ProgressManager, WorkerUpdatesArriveInOrderOnTheObjectsThread) {
    ProgressManager progress;
    progress.startOperation(loading(100));
    QList<int> seen;
    bool offThread = false;
    QObject::connect(&progress, &ProgressManager::currentChanged, &progress, [&] {
        seen.append(progress.current());
        offThread = offThread || QThread::currentThread() != progress.thread();
    });

    std::thread worker([&] {
        for (int i = 1; i <= 100; ++i) {
            progress.updateProgress(i, 100, QStringLiteral("song %1").arg(i));
        }
        progress.finishOperation();
    });
    worker.join();
    deliverPostedChanges();

    ASSERT_EQ(seen.size(), 100);
    EXPECT_EQ(seen.front(), 1);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_FALSE(offThread);
    // The finish arrived after the last update: hidden and reset, counts kept.
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.progress(), 0);
    EXPECT_TRUE((progress.message() + progress.detailedMessage()).isEmpty());
    EXPECT_EQ(progress.current() + progress.total(), 200);

    // The shared instance lives on the main thread, whichever thread asks for it.
    ProgressManager* fromWorker = nullptr;
    std::thread([&] { fromWorker = &ProgressManager::instance(); }).join();
    EXPECT_EQ(fromWorker, &ProgressManager::instance());
    EXPECT_EQ(fromWorker->thread(), QCoreApplication::instance()->thread());
}

TEST(ProgressManager, CancelHidesAtOnceLeavesTheFlagForTheWorkerAndCallsTheHandlerOnce) {
    ProgressManager progress;
    Operation operation = loading(50);
    operation.isCancellable = true;
    progress.startOperation(operation);
    progress.updateProgress(10, 50);

    progress.cancel();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_FALSE(progress.isCancellable());
    EXPECT_TRUE(progress.isCancelled());
    deliverPostedChanges();
    EXPECT_EQ(progress.progress(), 0) << "an update of the cancelled operation redrew the hidden overlay";

    // The next operation starts uncancelled; its handler runs once, after the flag is set.
    int calls = 0;
    operation.cancellationHandler = [&] {
        ++calls;
        EXPECT_TRUE(progress.isCancelled()) << "the flag is set before the handler runs";
    };
    progress.startOperation(operation);
    EXPECT_FALSE(progress.isCancelled());
    EXPECT_TRUE(progress.hasCancellationHandler());
    progress.cancel();
    progress.cancel();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(progress.hasCancellationHandler());
    progress.finishOperation();
    deliverPostedChanges();
    EXPECT_FALSE(progress.isCancelled());

    // Changes posted before the next operation starts are dropped.
    progress.startOperation(loading(10));
    progress.updateProgress(9, 10);
    progress.finishOperation();
    progress.startOperation(loading(30));
    deliverPostedChanges();
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.total(), 30);
    EXPECT_EQ(progress.progress(), 0);
}

TEST(RemainingTime, TextFromPercentAndElapsedSeconds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::tuple<double, double, const char*> rows[] = {
        {0, 30, "Calculating..."},
        {-5, 30, "Calculating..."},
        {100, 30, "Calculating..."},
        {nan, 30, "Calculating..."},
        {25, 15, "45 seconds remaining"},
        {50, 59.9, "59 seconds remaining"}, // fractions of a second are dropped
        {50, 0, "0 seconds remaining"},
        {50, 60, "1 minute remaining"},
        {50, 119.5, "1 minute remaining"},
        {25, 300, "15 minutes remaining"},
        {25, 3000, "2h 30m remaining"},
        {50, 3600, "1h 0m remaining"},
        {1e-300, 10, "277777777h 46m remaining"}, // tiny progress stays finite
    };
    for (const auto& [percent, elapsed, text] : rows) {
        EXPECT_EQ(remainingTimeText(percent, elapsed), QString::fromUtf8(text))
            << percent << "% after " << elapsed << " s";
    }
}

TEST(ToastManager, ANewerToastReplacesTheTextButTheEarlierHideStillFires) {
    ToastManager toast;
    bool offThread = false;
    QObject::connect(&toast, &ToastManager::isShowingChanged, &toast,
                     [&] { offThread = offThread || QThread::currentThread() != toast.thread(); });
    QSignalSpy showing(&toast, &ToastManager::isShowingChanged);
    // A toast shown by a worker is posted to the object's thread.
    std::thread([&] { toast.show(QStringLiteral("✅ first"), ToastType::success); }).join();
    EXPECT_FALSE(toast.isShowing());
    deliverPostedChanges();
    EXPECT_FALSE(offThread);
    EXPECT_TRUE(toast.isShowing());
    EXPECT_EQ(toast.message(), QStringLiteral("✅ first"));
    EXPECT_EQ(toast.type(), ToastType::success);
    toast.show(QStringLiteral("⚠️ second"), ToastType::warning);
    EXPECT_EQ(toast.message(), QStringLiteral("⚠️ second"));
    EXPECT_EQ(toast.type(), ToastType::warning);
    QCoreApplication::processEvents();
    EXPECT_TRUE(toast.isShowing()) << "a toast stays up until its timer fires";
    EXPECT_EQ(showing.count(), 1);

    // When the first toast's hide fires, a third toast shown then is cut short by the second one's hide,
    // before a timer of half the delay started with it fires.
    bool thirdShown = false;
    QString messageWhenHidden;
    bool halfDelayPassed = false;
    QObject::connect(&toast, &ToastManager::isShowingChanged, &toast, [&] {
        if (!toast.isShowing() && !thirdShown) {
            thirdShown = true;
            // The hide does not clear the text: the view fades out what was shown.
            messageWhenHidden = toast.message();
            toast.show(QStringLiteral("ℹ️ third"), ToastType::info);
            QTimer::singleShot(ToastManager::hideDelayMs / 2, Qt::PreciseTimer, &toast,
                               [&] { halfDelayPassed = true; });
        }
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return thirdShown; }, 2 * ToastManager::hideDelayMs));
    EXPECT_EQ(messageWhenHidden, QStringLiteral("⚠️ second"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !toast.isShowing() || halfDelayPassed; },
                                2 * ToastManager::hideDelayMs));
    EXPECT_EQ(toast.message(), QStringLiteral("ℹ️ third"));
    EXPECT_FALSE(toast.isShowing());
    EXPECT_FALSE(halfDelayPassed) << "the earlier toast's hide was cancelled by the newer one";
}

} // namespace
