// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/NetworkModeManager.h"

#include "model/ToastManager.h"

#include <QCoreApplication>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace quirella {

NetworkModeManager::NetworkModeManager(QObject* parent)
    : QObject(parent) {
    m_writer.setMaxThreadCount(1);
    QSettings settings;
    if (settings.contains(preferenceKey)) {
        m_isOnlineMode = settings.value(preferenceKey).toBool();
    } else {
        m_isOnlineMode = true;
        store(true);
    }
}

NetworkModeManager::~NetworkModeManager() {
    m_writer.waitForDone();
}

void NetworkModeManager::store(bool online) {
    (void)QtConcurrent::run(&m_writer, [online] {
        QSettings settings;
        settings.setValue(preferenceKey, online);
        settings.sync();
    });
}

NetworkModeManager& NetworkModeManager::instance() {
    static NetworkModeManager* manager = [] {
        auto* created = new NetworkModeManager(QCoreApplication::instance());
        return created;
    }();
    return *manager;
}

void NetworkModeManager::setOnlineMode(bool online) {
    store(online);
    if (m_isOnlineMode == online) {
        return;
    }
    m_isOnlineMode = online;
    emit isOnlineModeChanged(online);
}

void NetworkModeManager::toggle(ToastManager& toasts) {
    setOnlineMode(!m_isOnlineMode);
    if (m_isOnlineMode) {
        toasts.show(QCoreApplication::translate("NetworkModeManager", "🌐 Online Mode Enabled"),
                    ToastManager::ToastType::success);
    } else {
        toasts.show(QCoreApplication::translate("NetworkModeManager", "📵 Offline Mode Enabled"),
                    ToastManager::ToastType::warning);
    }
}

} // namespace quirella
