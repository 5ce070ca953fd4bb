// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/NetworkModeButton.h"

#include "model/ToastManager.h"
#include "online/NetworkModeManager.h"
#include "ui/Icons.h"

using namespace Qt::StringLiterals;

namespace quirella::ui {

namespace {
const QColor onlineGreen(0x34, 0xC7, 0x59);
const QColor offlineGrey(0x8E, 0x8E, 0x93);
} // namespace

NetworkModeButton::NetworkModeButton(NetworkModeManager& mode, ToastManager& toasts, QWidget* parent)
    : QToolButton(parent)
    , m_mode(mode)
    , m_toasts(toasts) {
    icons::ensureResources();
    setAutoRaise(true);
    setFocusPolicy(Qt::TabFocus); // reached by Tab, with a ring to show it
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(u"QToolButton { border: none; background: transparent; padding: 2px; }"
                  u"QToolButton:focus { border: 2px solid #0A84FF; border-radius: 5px; padding: 0px; }"_s);
    // A 13-point semibold symbol: about 17 pixels.
    setIconSize(QSize(17, 17));
    setFixedSize(26, 26);
    connect(this, &QToolButton::clicked, this, [this] { m_mode.toggle(m_toasts); });
    connect(&m_mode, &NetworkModeManager::isOnlineModeChanged, this, &NetworkModeButton::sync);
    sync();
}

void NetworkModeButton::sync() {
    const bool online = m_mode.isOnlineMode();
    m_symbol = online ? u"wifi"_s : u"wifi.slash"_s;
    setIcon(QIcon(icons::symbol(m_symbol, online ? onlineGreen : offlineGrey, 17, devicePixelRatioF())));
    setToolTip(online ? tr("Online Mode - Click to disable") : tr("Offline Mode - Click to enable"));
    setAccessibleName(toolTip());
}

} // namespace quirella::ui
