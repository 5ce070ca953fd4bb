// SPDX-License-Identifier: GPL-3.0-or-later
// The colours every view draws with. The theme itself, its list and the light or dark rule live in the
// core (themes/Theme.h, themes/ThemeManager.h); the window follows ThemeManager and hands the current
// theme to each view's setTheme, and MainWindow::theme() always answers the current one.
#pragma once

#include "themes/Theme.h"

#include <QColor>

class QWidget;

namespace quirella::ui {

using quirella::colorFromHex;
using quirella::isLightTheme;
using quirella::Theme;

// Derived colours for text, panels and table rows, so that each view does not invent its own.
struct ThemeColors {
    QColor text;
    QColor secondaryText;
    QColor windowBase; // behind the gradient, which is drawn at 80 % opacity
    QColor panel;      // toasts, cards, the progress card
    QColor panelOutline;
    QColor evenRow;
    QColor hoverRow;
    QColor selectedRow;
    QColor accent; // focus outline of the cell editor, selected cards
};
ThemeColors themeColors(const Theme& theme);

// Gives a sheet the theme's panel background and text colour.
void applyPanelPalette(QWidget& sheet, const ThemeColors& colors);

} // namespace quirella::ui
