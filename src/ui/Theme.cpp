#include "ui/Theme.h"

#include <QGuiApplication>
#include <QPalette>

namespace quirella::ui {

Theme Theme::deepCharcoal() {
    return Theme{QStringLiteral("Deep Charcoal"),
                 {colorFromHex(u"1C1C1C"), colorFromHex(u"2D2D2D")},
                 QColor(Qt::white)};
}

QColor colorFromHex(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && !text.at(begin).isLetterOrNumber()) {
        ++begin;
    }
    while (end > begin && !text.at(end - 1).isLetterOrNumber()) {
        --end;
    }
    const QStringView digits = text.sliced(begin, end - begin);
    bool ok = false;
    const quint64 value = digits.toULongLong(&ok, 16);
    if (!ok) {
        return QColor(0, 0, 0);
    }
    switch (digits.size()) {
    case 6:
        return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
    case 8:
        return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF),
                      int((value >> 24) & 0xFF));
    case 3:
        return QColor(int((value >> 8) & 0xF) * 17, int((value >> 4) & 0xF) * 17, int(value & 0xF) * 17);
    default:
        return QColor(0, 0, 0);
    }
}

namespace {

double luminance(const QColor& color) {
    return 0.299 * color.redF() + 0.587 * color.greenF() + 0.114 * color.blueF();
}

} // namespace

bool isLightTheme(const Theme& theme) {
    if (theme.name == QLatin1StringView("System Default")) {
        return luminance(QGuiApplication::palette().color(QPalette::Window)) > 0.5;
    }
    if (theme.mainGradient.isEmpty()) {
        return false;
    }
    return luminance(theme.mainGradient.first()) > 0.5;
}

ThemeColors themeColors(const Theme& theme) {
    const bool light = isLightTheme(theme);
    ThemeColors colors;
    colors.text = theme.textColor.value_or(light ? QColor(Qt::black) : QColor(Qt::white));
    colors.secondaryText = colors.text;
    colors.secondaryText.setAlphaF(0.65f);
    colors.windowBase = theme.mainGradient.isEmpty() ? QColor(Qt::black) : theme.mainGradient.first();
    const QColor ink = light ? QColor(Qt::black) : QColor(Qt::white);
    auto inkAt = [&ink](float alpha) {
        QColor color = ink;
        color.setAlphaF(alpha);
        return color;
    };
    const QColor last = theme.mainGradient.isEmpty() ? colors.windowBase : theme.mainGradient.last();
    colors.panel = light ? last.darker(104) : last.lighter(135);
    colors.panelOutline = inkAt(0.15f);
    colors.evenRow = inkAt(0.04f);
    colors.hoverRow = inkAt(0.09f);
    colors.selectedRow = QColor(10, 132, 255, 95);
    colors.accent = QColor(52, 199, 89);
    return colors;
}

} // namespace quirella::ui
