// The turns of one service on a clock the test moves.
#include "ManualClock.h"

#include <QScopeGuard>
#include <QTest>

#include <gtest/gtest.h>
#include <thread>

using namespace quirella;
using namespace quirella::test;

TEST(RateGate, APauseAnnouncedWhileOthersSleepStillHoldsThemBack) {
    const auto clock = std::make_shared<ManualClock>();
    RateGate gate(std::chrono::milliseconds(1000), clock);
    ASSERT_TRUE(gate.waitTurn(nullptr)); // nobody before it
    StopFlag stop;
    std::atomic<bool> passed{false};
    std::thread waiter([&] { passed = gate.waitTurn(&stop); });
    const auto joinWaiter = qScopeGuard([&] {
        stop.request();
        waiter.join();
    });
    ASSERT_TRUE(clock->waitForSleepers(1)); // until the next turn, a second on
    gate.pauseFor(std::chrono::milliseconds(3000));
    clock->advance(std::chrono::milliseconds(1000));
    ASSERT_TRUE(clock->waitForSleepers(1)); // woke at its turn, found the pause, sleeps again
    EXPECT_FALSE(passed);
    clock->advance(std::chrono::milliseconds(2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return passed.load(); }, 30000));
}
