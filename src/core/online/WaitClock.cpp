// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/WaitClock.h"

#include "online/Manners.h"

#include <algorithm>
#include <thread>

namespace quirella {

namespace {

class SystemWaitClock final : public WaitClock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }

    // Sleeps in short slices: a stop request is noticed within one slice.
    bool sleepUntil(TimePoint deadline, const StopFlag* stop) override {
        while (true) {
            if (stop && stop->isRequested()) {
                return false;
            }
            const TimePoint current = now();
            if (current >= deadline) {
                return true;
            }
            std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                deadline - current, std::chrono::milliseconds(20)));
        }
    }
};

} // namespace

std::shared_ptr<WaitClock> WaitClock::system() {
    static const std::shared_ptr<WaitClock> clock = std::make_shared<SystemWaitClock>();
    return clock;
}

} // namespace quirella
