// SPDX-License-Identifier: GPL-3.0-or-later
// A colour theme of the window and the rules every themed view shares: hex colour text and the light or
// dark question. The sixteen built-in themes are listed once per process; their ids are made then, so an
// id is stable within one run only and nothing may persist it (the name is the persisted key).
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringView>
#include <QUuid>

#include <optional>

namespace quirella {

inline constexpr QStringView systemDefaultThemeName{u"System Default"};
inline constexpr QStringView defaultThemeName{u"Deep Charcoal"};

struct Theme {
    Theme() = default;
    Theme(QString themeName, QList<QColor> gradient, std::optional<QColor> text = std::nullopt,
          QUuid themeId = {})
        : name(std::move(themeName))
        , mainGradient(std::move(gradient))
        , textColor(text)
        , id(themeId) {}

    QString name;
    QList<QColor> mainGradient;      // drawn top to bottom
    std::optional<QColor> textColor; // white on every dark theme; absent for the desktop's own colours
    QUuid id;

    bool isSystemDefault() const { return name == systemDefaultThemeName; }
    // The built-in "Deep Charcoal", the first-launch theme.
    static Theme deepCharcoal();

    friend bool operator==(const Theme& left, const Theme& right) { return left.id == right.id; }
};

// The sixteen themes in grid order. "System Default" carries the desktop window colour sampled when the
// list was built; ThemeManager keeps its own copy current.
const QList<Theme>& builtInThemes();

// "#0F172A" and "0F172A" are the same colour: non-alphanumeric characters are trimmed from both ends.
// Six digits are RRGGBB, eight are AARRGGBB (alpha first), three are RGB with each digit doubled; any other
// length, or text that is not hexadecimal, is opaque black.
QColor colorFromHex(QStringView text);

// 0.299 R + 0.587 G + 0.114 B, components in 0..1.
double luminance(const QColor& color);

// Light when the first gradient colour's luminance is above one half; a theme without colours is dark.
// "System Default" is judged by the desktop window colour it carries (the application palette's window
// colour when it carries none).
bool isLightTheme(const Theme& theme);

} // namespace quirella
