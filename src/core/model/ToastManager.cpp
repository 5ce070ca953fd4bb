// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ToastManager.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace quirella {

ToastManager::ToastManager(QObject* parent)
    : QObject(parent) {}

ToastManager::~ToastManager() = default;

ToastManager& ToastManager::instance() {
    // Never destroyed, like the progress state: late callers at shutdown find it still there.
    static ToastManager* const shared = [] {
        auto* manager = new ToastManager;
        if (const QCoreApplication* app = QCoreApplication::instance();
            app && manager->thread() != app->thread()) {
            manager->moveToThread(app->thread());
        }
        return manager;
    }();
    return *shared;
}

void ToastManager::show(const QString& message, ToastType type) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, message, type] { show(message, type); }, Qt::QueuedConnection);
        return;
    }
    if (m_message != message) {
        m_message = message;
        emit messageChanged();
    }
    if (m_type != type) {
        m_type = type;
        emit typeChanged();
    }
    setShowing(true);
    // A coarse timer may fire up to 5 % early; the toast is promised three full seconds.
    QTimer::singleShot(hideDelayMs, Qt::PreciseTimer, this, [this] { setShowing(false); });
}

void ToastManager::setShowing(bool showing) {
    if (m_isShowing != showing) {
        m_isShowing = showing;
        emit isShowingChanged();
    }
}

} // namespace quirella
