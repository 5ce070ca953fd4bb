// The colours every view draws with. The window starts in "Deep Charcoal"; the full theme list and the
// persisted choice arrive with the theme manager, which hands a Theme to MainWindow::setTheme.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace quirella::ui {

struct Theme {
    QString name;
    QList<QColor> mainGradient;      // drawn top to bottom
    std::optional<QColor> textColor; // white on every dark theme; absent for the system's own colours

    static Theme deepCharcoal();
};

// "#0F172A" and "0F172A" are the same colour: non-alphanumeric characters are trimmed from both ends.
// Six digits are RRGGBB, eight are AARRGGBB (alpha first), three are RGB with each digit doubled; any other
// length, or text that is not hexadecimal, is opaque black.
QColor colorFromHex(QStringView text);

// Light when the first gradient colour's luminance (0.299 R + 0.587 G + 0.114 B) is above one half; a
// theme without colours is dark. "System Default" asks the application palette instead.
bool isLightTheme(const Theme& theme);

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

} // namespace quirella::ui
