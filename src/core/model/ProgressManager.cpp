// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ProgressManager.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <utility>

namespace quirella {

double progressPercent(int current, int total) {
    const double percent = double(current) / double(total) * 100.0;
    // The negated test also catches NaN (0 of 0).
    if (!(percent > 0)) {
        return 0;
    }
    return std::min(percent, 100.0);
}

ProgressManager::ProgressManager(QObject* parent)
    : QObject(parent) {}

ProgressManager::~ProgressManager() = default;

ProgressManager& ProgressManager::instance() {
    // Never destroyed: workers may still poll it while the process winds down.
    static ProgressManager* const shared = [] {
        auto* manager = new ProgressManager;
        if (const QCoreApplication* app = QCoreApplication::instance();
            app && manager->thread() != app->thread()) {
            manager->moveToThread(app->thread());
        }
        return manager;
    }();
    return *shared;
}

void ProgressManager::startOperation(Operation operation) {
    Q_ASSERT(QThread::currentThread() == thread());
    ++m_generation;
    setOperationType(operation.type);
    setMessage(operation.message);
    setDetailedMessage(operation.detailedMessage);
    setProgressValue(0);
    setIndeterminate(false);
    setTotal(operation.total);
    setCurrent(0);
    setVisible(true);
    setCancellable(operation.isCancellable);
    setCancelled(false);
    m_cancellationHandler = std::move(operation.cancellationHandler);
}

void ProgressManager::updateProgress(int current, int total, const QString& detail) {
    const double percent = progressPercent(current, total);
    post([this, current, total, percent, detail] { applyProgress(current, total, percent, detail); });
}

void ProgressManager::finishOperation() {
    post([this] { applyFinish(false); });
}

void ProgressManager::cancel() {
    Q_ASSERT(QThread::currentThread() == thread());
    // Updates of this operation still in flight would only redraw an overlay that is gone.
    ++m_generation;
    setCancelled(true);
    if (const std::function<void()> handler = std::exchange(m_cancellationHandler, {})) {
        handler();
    }
    applyFinish(true);
}

void ProgressManager::post(std::function<void()> apply) {
    const quint64 generation = m_generation.load();
    QMetaObject::invokeMethod(
        this,
        [this, generation, apply = std::move(apply)] {
            if (generation == m_generation.load()) {
                apply();
            }
        },
        Qt::QueuedConnection);
}

void ProgressManager::applyProgress(int current, int total, double percent, const QString& detail) {
    setCurrent(current);
    setTotal(total);
    setProgressValue(percent);
    if (!detail.isEmpty()) {
        setDetailedMessage(detail);
    }
    setIndeterminate(false);
}

void ProgressManager::applyFinish(bool keepCancelled) {
    setVisible(false);
    setProgressValue(0);
    setMessage({});
    setDetailedMessage({});
    setCancellable(false);
    if (!keepCancelled) {
        setCancelled(false);
    }
    m_cancellationHandler = {};
}

void ProgressManager::setVisible(bool visible) {
    if (m_isVisible != visible) {
        m_isVisible = visible;
        emit isVisibleChanged();
    }
}

void ProgressManager::setProgressValue(double progress) {
    if (m_progress != progress) {
        m_progress = progress;
        emit progressChanged();
    }
}

void ProgressManager::setIndeterminate(bool indeterminate) {
    if (m_indeterminate != indeterminate) {
        m_indeterminate = indeterminate;
        emit indeterminateChanged();
    }
}

void ProgressManager::setMessage(const QString& message) {
    if (m_message != message) {
        m_message = message;
        emit messageChanged();
    }
}

void ProgressManager::setDetailedMessage(const QString& message) {
    if (m_detailedMessage != message) {
        m_detailedMessage = message;
        emit detailedMessageChanged();
    }
}

void ProgressManager::setCurrent(int current) {
    if (m_current != current) {
        m_current = current;
        emit currentChanged();
    }
}

void ProgressManager::setTotal(int total) {
    if (m_total != total) {
        m_total = total;
        emit totalChanged();
    }
}

void ProgressManager::setOperationType(OperationType type) {
    if (m_currentOperationType != type) {
        m_currentOperationType = type;
        emit currentOperationTypeChanged();
    }
}

void ProgressManager::setCancellable(bool cancellable) {
    if (m_isCancellable != cancellable) {
        m_isCancellable = cancellable;
        emit isCancellableChanged();
    }
}

void ProgressManager::setCancelled(bool cancelled) {
    if (m_isCancelled.exchange(cancelled) != cancelled) {
        emit isCancelledChanged();
    }
}

} // namespace quirella
