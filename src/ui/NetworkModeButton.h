// SPDX-License-Identifier: GPL-3.0-or-later
// The online/offline switch in the header bar: a borderless icon button that shows the mode of the
// NetworkModeManager and flips it when pressed.
#pragma once

#include <QToolButton>

namespace quirella {
class NetworkModeManager;
class ToastManager;
} // namespace quirella

namespace quirella::ui {

class NetworkModeButton : public QToolButton {
    Q_OBJECT

public:
    NetworkModeButton(NetworkModeManager& mode, ToastManager& toasts, QWidget* parent = nullptr);

    // The symbol now shown: "wifi" or "wifi.slash".
    QString symbolName() const { return m_symbol; }
    bool isOnline() const { return m_symbol == u"wifi"; }

private:
    void sync();

    NetworkModeManager& m_mode;
    ToastManager& m_toasts;
    QString m_symbol;
};

} // namespace quirella::ui
