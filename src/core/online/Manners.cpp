// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/Manners.h"

#include "online/CatalogueReplies.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace quirella {

bool RateGate::waitTurn(const StopFlag* stop) {
    while (true) {
        WaitClock::TimePoint slot;
        {
            const std::lock_guard lock(m_mutex);
            const WaitClock::TimePoint now = m_clock->now();
            slot = std::max({now, m_next, m_pausedUntil});
            if (slot <= now) {
                m_next = now + m_interval;
                return true;
            }
        }
        // Someone else holds the next turn or a pause is on: sleep until then and try again, so that
        // a pause announced while we sleep still holds us back.
        if (!m_clock->sleepUntil(slot, stop)) {
            return false;
        }
    }
}

void RateGate::pauseFor(std::chrono::milliseconds duration) {
    const std::lock_guard lock(m_mutex);
    m_pausedUntil = std::max(m_pausedUntil, m_clock->now() + duration);
}

bool isBusyStatus(int status) {
    return status == 503 || status == 429 || status == 403;
}

HttpReply awaitReply(QFuture<HttpReply> future) {
    future.waitForFinished();
    if (future.resultCount() < 1) {
        HttpReply reply;
        reply.failure = HttpReply::Failure::transfer;
        reply.errorString = QCoreApplication::translate("HttpClient", "Operation canceled");
        return reply;
    }
    return future.result();
}

PoliteReply politeGet(HttpClient& client, RateGate& gate, HttpRequest request, TransferBudget& budget,
                      const StopFlag* stop, const Manners& manners) {
    PoliteReply result;
    for (int attempt = 0;; ++attempt) {
        if (!gate.waitTurn(stop)) {
            result.outcome = PoliteReply::Outcome::stopped;
            return result;
        }
        if (budget.remainingMs <= 0) {
            result.outcome = PoliteReply::Outcome::failed;
            result.reply.failure = HttpReply::Failure::timeout;
            result.reply.errorString = QCoreApplication::translate("HttpClient", "Operation timed out");
            return result;
        }
        request.timeoutMs = int(qMin<qint64>(budget.remainingMs, std::numeric_limits<int>::max()));
        QElapsedTimer clock;
        clock.start();
        result.reply = awaitReply(client.get(request));
        budget.remainingMs -= clock.elapsed();
        if (!result.reply.ok()) {
            result.outcome = PoliteReply::Outcome::failed;
            return result;
        }
        if (!isBusyStatus(result.reply.status)) {
            result.outcome = PoliteReply::Outcome::answered;
            return result;
        }
        const std::optional<qint64> retryAfter =
            catalogue::parseRetryAfter(result.reply.retryAfter, QDateTime::currentDateTimeUtc());
        const std::chrono::milliseconds pause =
            retryAfter ? std::chrono::milliseconds(*retryAfter) : manners.backoff * (1 << qMin(attempt, 10));
        gate.pauseFor(pause);
        if (attempt >= manners.maxRetries || pause > manners.longestPause) {
            result.outcome = PoliteReply::Outcome::busy;
            return result;
        }
    }
}

} // namespace quirella
