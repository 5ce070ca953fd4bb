// SPDX-License-Identifier: GPL-3.0-or-later
// The short status message near the bottom of the content area. It follows ToastManager: it fades and
// moves in when a toast shows, takes the newer text at once, and fades out when the manager hides it.
// Everything is painted by the widget itself so that the fade and the shadow need no graphics effects.
#pragma once

#include "ui/Theme.h"

#include <QImage>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

namespace quirella {
class ToastManager;
}

namespace quirella::ui {

class ToastView : public QWidget {
    Q_OBJECT

public:
    static constexpr int maximumWidth = 400;
    static constexpr int horizontalPadding = 16;
    static constexpr int verticalPadding = 12;
    static constexpr int badgeSize = 35;
    static constexpr int logoSize = 28;
    // Room around the panel for its shadow (blur 8, shifted 4 down).
    static constexpr int shadowMargin = 20;

    ToastView(ToastManager& toasts, QWidget* parent = nullptr);

    // Places the toast centred over `area` (in the parent's coordinates) with its panel's bottom edge
    // `bottomOffset` above the area's bottom.
    void place(const QRect& area, int bottomOffset);
    QRect panelGeometry() const; // in the parent's coordinates
    QString text() const { return m_text; }
    bool isShown() const { return m_shown; }
    qreal opacity() const { return m_opacity; } // 1 once the fade-in has run
    void setTheme(const Theme& theme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void sync();
    void relayout();
    QSize panelSizeFor(const QString& text) const;
    QFont messageFont() const;

    ToastManager& m_toasts;
    QString m_text;
    bool m_shown = false;
    qreal m_opacity = 0;
    qreal m_lift = 0; // the spring offset while moving in, in pixels
    QVariantAnimation m_fade;
    QRect m_area;
    int m_bottomOffset = 20;
    ThemeColors m_colors;
    QImage m_shadow;
};

} // namespace quirella::ui
