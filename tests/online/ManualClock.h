// SPDX-License-Identifier: GPL-3.0-or-later
// A clock whose time moves only when the test moves it. Sleepers block until the time reaches their
// deadline, so a test decides exactly when a turn or a pause ends, and it can wait until the workers
// under test are asleep: then they have done all they can do before more time passes.
#pragma once

#include "online/Manners.h"

#include <algorithm>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <set>

namespace quirella::test {

class ManualClock final : public WaitClock {
public:
    // Real time a test waits for sleepers before it fails instead of hanging.
    static constexpr std::chrono::seconds patience{30};

    TimePoint now() const override {
        const std::lock_guard lock(m_mutex);
        return m_now;
    }

    bool sleepUntil(TimePoint deadline, const StopFlag* stop) override {
        std::unique_lock lock(m_mutex);
        if (m_skipping && deadline > m_now) {
            m_now = deadline;
        }
        const auto stopped = [stop] { return stop && stop->isRequested(); };
        const auto asleep = m_deadlines.insert(deadline);
        m_changed.notify_all();
        // Nothing signals a stop request: poll it in short real slices, so shutting down still works.
        while (!stopped() && m_now < deadline) {
            m_changed.wait_for(lock, std::chrono::milliseconds(10));
        }
        m_deadlines.erase(asleep);
        return !stopped();
    }

    void advance(std::chrono::milliseconds duration) {
        const std::lock_guard lock(m_mutex);
        m_now += duration;
        m_changed.notify_all();
    }

    // While on, every sleeper moves the time on to its own deadline at once: for the parts of a test
    // where only the outcome counts, not when things happen.
    void setSkipping(bool skipping) {
        const std::lock_guard lock(m_mutex);
        m_skipping = skipping;
    }

    // Waits until at least `count` threads sleep towards a deadline still ahead of the time. A sleeper
    // whose deadline the time has reached counts again only once it sleeps again. False after `patience`.
    [[nodiscard]] bool waitForSleepers(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, patience, [&] {
            return std::distance(m_deadlines.upper_bound(m_now), m_deadlines.end()) >= count;
        });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    TimePoint m_now = TimePoint(std::chrono::hours(1)); // any start will do; time never runs backwards
    std::multiset<TimePoint> m_deadlines;               // of those asleep
    bool m_skipping = false;
};

} // namespace quirella::test
