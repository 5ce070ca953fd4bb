#include "ui/Theme.h"

#include <gtest/gtest.h>

using namespace quirella::ui;

TEST(ThemeColours, HexTextGivesTheColourOrOpaqueBlack) {
    struct Case {
        const char* name;
        QString text;
        QColor expected;
    };
    const Case cases[] = {
        {"six digits", QStringLiteral("0F172A"), QColor(0x0F, 0x17, 0x2A)},
        {"a hash and blanks around are trimmed", QStringLiteral(" #0F172A "), QColor(0x0F, 0x17, 0x2A)},
        {"three digits double each", QStringLiteral("FFF"), QColor(255, 255, 255)},
        {"eight digits put alpha first", QStringLiteral("80FF0000"), QColor(255, 0, 0, 0x80)},
        {"five digits are black", QStringLiteral("12345"), QColor(0, 0, 0)},
        {"not hexadecimal is black", QStringLiteral("GGGGGG"), QColor(0, 0, 0)},
        {"too long for any form is black", QStringLiteral("0123456789ABCDEF01"), QColor(0, 0, 0)},
        {"empty is black", QString(), QColor(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(colorFromHex(c.text).rgba(), c.expected.rgba());
    }
}

TEST(ThemeColours, DeepCharcoalIsTheDarkDefault) {
    const Theme theme = Theme::deepCharcoal();
    EXPECT_FALSE(isLightTheme(theme));
    EXPECT_EQ(themeColors(theme).text, QColor(Qt::white));
    Theme light{QStringLiteral("Paper"), {colorFromHex(u"F5F5F5"), colorFromHex(u"FFFFFF")}, std::nullopt};
    EXPECT_TRUE(isLightTheme(light));
    EXPECT_EQ(themeColors(light).text, QColor(Qt::black));
    EXPECT_FALSE(isLightTheme(Theme{QStringLiteral("Empty"), {}, std::nullopt}));
}
