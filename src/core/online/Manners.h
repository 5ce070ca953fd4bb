// SPDX-License-Identifier: GPL-3.0-or-later
// How the catalogue clients behave towards the services: turns, pauses after a "busy" answer, retries,
// and a budget of transfer time per look-up. A look-up's time limit counts its transfers only; the time
// spent waiting for a turn or sitting out a pause is not charged to it.
#pragma once

#include "online/HttpClient.h"
#include "online/WaitClock.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace quirella {

// A stop request shared between the one who asks and the work that polls it.
class StopFlag {
public:
    void request() { m_flag->store(true); }
    bool isRequested() const { return m_flag->load() || (m_also && m_also->load()); }
    // A flag that is requested when this one or `other` is; requesting it requests this one.
    StopFlag orWhen(const StopFlag& other) const {
        StopFlag combined = *this;
        combined.m_also = other.m_flag;
        return combined;
    }

private:
    std::shared_ptr<std::atomic<bool>> m_flag = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> m_also;
};

// Turns of one service, shared by every worker: two requests are let through at least `interval`
// apart, and a pause (after a busy answer) holds everyone back until it ends. All of it on `clock`.
class RateGate {
public:
    explicit RateGate(std::chrono::milliseconds interval = std::chrono::milliseconds(0),
                      std::shared_ptr<WaitClock> clock = WaitClock::system())
        : m_interval(interval)
        , m_clock(clock ? std::move(clock) : WaitClock::system()) {}

    // Waits for the caller's turn and takes it; false when stopped while waiting.
    bool waitTurn(const StopFlag* stop);
    // No one passes before now + duration.
    void pauseFor(std::chrono::milliseconds duration);

private:
    std::mutex m_mutex;
    std::chrono::milliseconds m_interval;
    std::shared_ptr<WaitClock> m_clock;
    WaitClock::TimePoint m_next{};
    WaitClock::TimePoint m_pausedUntil{};
};

struct Manners {
    int maxRetries = 3;                            // after the first busy answer
    std::chrono::milliseconds backoff{1000};       // doubled on each retry when no Retry-After is given
    std::chrono::milliseconds longestPause{30000}; // a longer Retry-After is not waited for here
};

// Milliseconds of transfer time a look-up may still spend.
struct TransferBudget {
    qint64 remainingMs = 5000;
};

// One request with manners: waits for the gate, sends under the remaining budget, and treats 503, 429
// and 403 as "busy" (pauses the gate for Retry-After or the back-off and retries a few times).
struct PoliteReply {
    enum class Outcome { answered, failed, busy, stopped };
    Outcome outcome = Outcome::failed;
    HttpReply reply; // the last reply; its status is meaningful when answered
};

PoliteReply politeGet(HttpClient& client, RateGate& gate, HttpRequest request, TransferBudget& budget,
                      const StopFlag* stop, const Manners& manners);

// Waits for a transfer started with HttpClient::get. Never on the transport's own thread.
HttpReply awaitReply(QFuture<HttpReply> future);

bool isBusyStatus(int status);

} // namespace quirella
