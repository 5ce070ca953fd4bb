// SPDX-License-Identifier: GPL-3.0-or-later
// The state behind the short status message that goes away by itself. One instance serves the whole
// application; tests build their own. The fields belong to the object's thread.
#pragma once

#include <QObject>
#include <QString>

namespace quirella {

class ToastManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isShowing READ isShowing NOTIFY isShowingChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(ToastType type READ type NOTIFY typeChanged)

public:
    // The kind of notice. The texts carry their own symbol ("✅ ", "⚠️ ", ...), written by the caller.
    enum class ToastType { success, error, warning, info };
    Q_ENUM(ToastType)

    // How long a toast stays up.
    static constexpr int hideDelayMs = 3000;

    explicit ToastManager(QObject* parent = nullptr);
    ~ToastManager() override;

    // The process-wide instance, created on first use and living on the application's main thread.
    static ToastManager& instance();

    bool isShowing() const { return m_isShowing; }
    QString message() const { return m_message; }
    ToastType type() const { return m_type; }

    // Shows the message at once and hides the toast hideDelayMs later. A newer toast replaces the text
    // and type straight away but does not cancel the earlier toast's hide, which still fires at its time
    // and so can cut the newer toast short. Called from another thread, it is posted to the object's.
    void show(const QString& message, ToastType type);

signals:
    void isShowingChanged();
    void messageChanged();
    void typeChanged();

private:
    void setShowing(bool showing);

    bool m_isShowing = false;
    QString m_message;
    ToastType m_type = ToastType::info;
};

} // namespace quirella
