// SPDX-License-Identifier: GPL-3.0-or-later
// The time the online manners wait on: turns, pauses after busy answers and the spacing of look-ups.
// Everything that waits goes through one clock object, so that a test can hand in a clock of its own
// and decide when time passes instead of sleeping through it.
#pragma once

#include <chrono>
#include <memory>

namespace quirella {

class StopFlag;

class WaitClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~WaitClock() = default;

    virtual TimePoint now() const = 0;
    // Returns once the clock reaches `deadline` (true) or as soon as `stop` is requested (false).
    // A stop request wins over a deadline that has already passed.
    virtual bool sleepUntil(TimePoint deadline, const StopFlag* stop) = 0;

    bool sleepFor(std::chrono::milliseconds duration, const StopFlag* stop) {
        return sleepUntil(now() + duration, stop);
    }

    // The steady clock of the machine, shared by everyone who is given no other.
    static std::shared_ptr<WaitClock> system();
};

} // namespace quirella
