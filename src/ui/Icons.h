// SPDX-License-Identifier: GPL-3.0-or-later
// Symbols and artwork. Symbols are named as the rest of the code names them ("star.fill", "trash"); each
// comes from the desktop's icon theme when it has a matching freedesktop icon and from our own SVG in
// :/quirella/icons otherwise, so the window looks complete on a machine without an icon theme. Symbols
// are drawn as single-colour silhouettes tinted to the colour the view asks for, which keeps full-colour
// theme icons readable on our gradients.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QStringView>

namespace quirella::ui::icons {

// The symbol tinted in `color`, `logicalSize` device-independent pixels square, rendered for the
// device pixel ratio. Cached: delegates call this for every painted cell.
QPixmap symbol(QStringView name, const QColor& color, int logicalSize, qreal devicePixelRatio = 1.0);
// The same as an icon for buttons and menus (normal and disabled renderings at the usual sizes).
QIcon symbolIcon(QStringView name, const QColor& color);

// The application's artwork: "logo" and "globlogo", rendered from SVG at the size asked for.
QPixmap artwork(QStringView name, int logicalSize, qreal devicePixelRatio = 1.0);

// Registers the library's resources (icons, artwork); called by everything that reads them.
void ensureResources();

// The freedesktop name looked up in the icon theme for a symbol; empty when the theme has no counterpart.
QString themeNameFor(QStringView name);
// Whether our own SVG exists for the symbol. Every symbol the views use has one.
bool hasFallback(QStringView name);

} // namespace quirella::ui::icons
