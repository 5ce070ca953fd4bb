// SPDX-License-Identifier: GPL-3.0-or-later
// The user's online/offline switch. It survives restarts under the preference "NetworkModeEnabled"
// (true on a first start, stored at once). The operations that go online refuse to start while it is
// off. Lives on the UI thread and is read and changed there only.
#pragma once

#include <QObject>
#include <QThreadPool>

namespace quirella {

class ToastManager;

class NetworkModeManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isOnlineMode READ isOnlineMode WRITE setOnlineMode NOTIFY isOnlineModeChanged)

public:
    static constexpr QLatin1StringView preferenceKey{"NetworkModeEnabled"};

    // Reads the preference, or stores true when there is none.
    explicit NetworkModeManager(QObject* parent = nullptr);
    ~NetworkModeManager() override; // waits for the last store

    static NetworkModeManager& instance();

    bool isOnlineMode() const { return m_isOnlineMode; }
    // Stores the value under the preference at once.
    void setOnlineMode(bool online);
    // Flips the mode and says so: "🌐 Online Mode Enabled" (success) or "📵 Offline Mode Enabled"
    // (warning).
    void toggle(ToastManager& toasts);

signals:
    void isOnlineModeChanged(bool online);

private:
    void store(bool online);

    bool m_isOnlineMode = true;
    // The settings file is rewritten on a store: off the UI thread, one store at a time, in order.
    QThreadPool m_writer;
};

} // namespace quirella
