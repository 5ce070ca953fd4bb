#include "ui/Theme.h"

#include <gtest/gtest.h>

using namespace quirella::ui;

TEST(ThemeColours, TextIsWhiteOnDarkThemesAndBlackOnLightOnes) {
    const Theme theme = Theme::deepCharcoal();
    EXPECT_FALSE(isLightTheme(theme));
    EXPECT_EQ(themeColors(theme).text, QColor(Qt::white));
    const Theme light{QStringLiteral("System Default"), {colorFromHex(u"ECECEC"), colorFromHex(u"ECECEC")}};
    EXPECT_TRUE(isLightTheme(light));
    const ThemeColors colors = themeColors(light);
    EXPECT_EQ(colors.text, QColor(Qt::black));
    // The panels of a light theme stay light, so that black text on them stays readable.
    EXPECT_GT(quirella::luminance(colors.panel), 0.5);
}
