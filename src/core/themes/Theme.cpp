// SPDX-License-Identifier: GPL-3.0-or-later
#include "themes/Theme.h"

#include <QGuiApplication>
#include <QPalette>

namespace quirella {

namespace {

Theme dark(QStringView name, QStringView top, QStringView bottom) {
    return Theme{
        name.toString(), {colorFromHex(top), colorFromHex(bottom)}, QColor(Qt::white), QUuid::createUuid()};
}

QColor applicationWindowColor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return QColor(0xEF, 0xEF, 0xEF); // no GUI yet: the usual light desktop
    }
    return QGuiApplication::palette().color(QPalette::Window);
}

} // namespace

const QList<Theme>& builtInThemes() {
    static const QList<Theme> themes = [] {
        const QColor window = applicationWindowColor();
        return QList<Theme>{
            Theme{systemDefaultThemeName.toString(), {window, window}, std::nullopt, QUuid::createUuid()},
            dark(u"Dark Blue", u"0F172A", u"1E293B"),
            dark(u"Deep Charcoal", u"1C1C1C", u"2D2D2D"),
            dark(u"Midnight Black", u"000000", u"1A1A1A"),
            dark(u"Dark Emerald", u"003322", u"004433"),
            dark(u"Deep Purple", u"2D0036", u"3D004D"),
            dark(u"Dark Crimson", u"330000", u"4D0000"),
            dark(u"Dark Steel", u"1A1F2C", u"2C3345"),
            dark(u"Dark Ocean", u"001B2E", u"002D4A"),
            dark(u"Dark Bronze", u"2C1810", u"3D231B"),
            dark(u"Dark Slate", u"1F2937", u"374151"),
            dark(u"Dark Aubergine", u"2B0F2B", u"421742"),
            dark(u"Deep Graphite", u"1C1E22", u"2B2F36"),
            dark(u"Dark Pine", u"0B2B1A", u"153D26"),
            dark(u"Dark Sapphire", u"0A1B3F", u"142E59"),
            dark(u"Dark Ruby", u"2C0A1A", u"461228"),
        };
    }();
    return themes;
}

Theme Theme::deepCharcoal() {
    return builtInThemes().at(2);
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

double luminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return 0.299 * rgb.redF() + 0.587 * rgb.greenF() + 0.114 * rgb.blueF();
}

bool isLightTheme(const Theme& theme) {
    if (theme.mainGradient.isEmpty()) {
        return theme.isSystemDefault() && luminance(applicationWindowColor()) > 0.5;
    }
    return luminance(theme.mainGradient.first()) > 0.5;
}

} // namespace quirella
