// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Theme.h"

#include <QPalette>
#include <QWidget>

namespace quirella::ui {

ThemeColors themeColors(const Theme& theme) {
    const bool light = isLightTheme(theme);
    ThemeColors colors;
    colors.text = theme.textColor.value_or(light ? QColor(Qt::black) : QColor(Qt::white));
    colors.secondaryText = colors.text;
    colors.secondaryText.setAlphaF(light ? 0.7f : 0.65f);
    colors.windowBase = theme.mainGradient.isEmpty() ? QColor(Qt::black) : theme.mainGradient.first();
    const QColor ink = light ? QColor(Qt::black) : QColor(Qt::white);
    auto inkAt = [&ink](float alpha) {
        QColor color = ink;
        color.setAlphaF(alpha);
        return color;
    };
    const QColor last = theme.mainGradient.isEmpty() ? colors.windowBase : theme.mainGradient.last();
    // A light panel stays light: a white card lifted off the window by its outline and shadow.
    colors.panel = light ? last.lighter(106) : last.lighter(135);
    colors.panelOutline = inkAt(light ? 0.18f : 0.15f);
    colors.evenRow = inkAt(0.04f);
    colors.hoverRow = inkAt(light ? 0.07f : 0.09f);
    colors.selectedRow = light ? QColor(10, 132, 255, 60) : QColor(10, 132, 255, 95);
    colors.accent = light ? QColor(36, 138, 61) : QColor(52, 199, 89);
    return colors;
}

void applyPanelPalette(QWidget& sheet, const ThemeColors& colors) {
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, colors.panel);
    palette.setColor(QPalette::WindowText, colors.text);
    palette.setColor(QPalette::ButtonText, colors.text);
    sheet.setPalette(palette);
    sheet.setAutoFillBackground(true);
}

} // namespace quirella::ui
