// SPDX-License-Identifier: GPL-3.0-or-later
#include "themes/ThemeManager.h"

#include "support/AudioFiles.h"
#include "themes/Wallpaper.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace quirella;
using quirella::test::ScratchDir;
using namespace Qt::StringLiterals;

namespace {

QByteArray smallPng() {
    return test::imageBytes(QColor(10, 120, 200), 32, 16, "PNG");
}

// Each test starts as a first launch, with a desktop whose window colour the test sets.
class Themes : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear() {
        QSettings settings;
        settings.remove(ThemeManager::selectedThemeKey);
        settings.remove(ThemeManager::customWallpaperKey);
        settings.sync();
    }
    static QVariant stored(QLatin1StringView key) { return QSettings().value(key); }

    std::unique_ptr<ThemeManager> makeManager() {
        return std::make_unique<ThemeManager>([this] { return desktop; });
    }

    std::optional<QColor> desktop = QColor(0xEC, 0xEC, 0xEC);
};

} // namespace

// Hex text gives the colour or opaque black; a theme is light when its first colour's luminance is above
// one half, and one without colours is dark.
TEST(ThemeColours, HexTextAndLightness) {
    const QList<std::pair<QString, QColor>> cases = {
        {u"0F172A"_s, QColor(0x0F, 0x17, 0x2A)},
        {u" #0F172A; "_s, QColor(0x0F, 0x17, 0x2A)}, // blanks and punctuation at both ends are trimmed
        {u"1a2"_s, QColor(0x11, 0xAA, 0x22)},        // three digits, each times 17
        {u"80FF0000"_s, QColor(255, 0, 0, 0x80)},    // eight digits put alpha first
        {u"12345"_s, QColor(0, 0, 0)},
        {u"GGGGGG"_s, QColor(0, 0, 0)},
        {QString(), QColor(0, 0, 0)},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(colorFromHex(text).rgba(), expected.rgba()) << text.toStdString();
    }
    EXPECT_TRUE(isLightTheme(Theme{QStringLiteral("Paper"), {colorFromHex(u"F5F5F5"), QColor(Qt::black)}}));
    EXPECT_FALSE(isLightTheme(Theme{QStringLiteral("Just under"), {QColor(127, 127, 127)}}));
    EXPECT_FALSE(isLightTheme(Theme{QStringLiteral("Empty"), {}}));
}

TEST_F(Themes, ListsTheSixteenThemesInGridOrderAllDarkWithWhiteTextButTheDesktopsOwn) {
    const auto themes = makeManager();
    const QStringList expected =
        u"System Default,Dark Blue,Deep Charcoal,Midnight Black,Dark Emerald,"
        u"Deep Purple,Dark Crimson,Dark Steel,Dark Ocean,Dark Bronze,Dark Slate,"
        u"Dark Aubergine,Deep Graphite,Dark Pine,Dark Sapphire,Dark Ruby"_s.split(u',');
    QStringList names;
    QSet<QUuid> ids;
    for (const Theme& theme : themes->availableThemes()) {
        names.append(theme.name);
        ids.insert(theme.id);
        ASSERT_EQ(theme.mainGradient.size(), 2) << theme.name.toStdString();
        EXPECT_EQ(theme.textColor.has_value(), !theme.isSystemDefault()) << theme.name.toStdString();
        themes->setCurrentTheme(theme); // on a light desktop only "System Default" is light
        EXPECT_EQ(isLightTheme(*themes), theme.isSystemDefault()) << theme.name.toStdString();
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ids.size(), 16);
    EXPECT_EQ(themes->themeNamed(u"Dark Ocean")->mainGradient,
              (QList<QColor>{QColor(0x00, 0x1B, 0x2E), QColor(0x00, 0x2D, 0x4A)}));
    // "System Default" is the desktop's window colour, twice.
    EXPECT_EQ(themes->availableThemes().first().mainGradient, (QList<QColor>{*desktop, *desktop}));
}

TEST_F(Themes, SwitchingTheDesktopRestylesSystemDefaultLive) {
    const auto themes = makeManager();
    themes->setCurrentTheme(*themes->themeNamed(systemDefaultThemeName));
    ASSERT_TRUE(isLightTheme(*themes));
    QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);

    desktop = QColor(0x24, 0x24, 0x24); // the desktop turns dark; Qt announces a new application palette
    QEvent paletteChange(QEvent::ApplicationPaletteChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &paletteChange);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(isLightTheme(*themes));
    EXPECT_EQ(themes->currentTheme().mainGradient.first(), *desktop);

    // A palette the window forced for a theme tells nothing about the desktop.
    desktop = std::nullopt;
    QCoreApplication::sendEvent(QCoreApplication::instance(), &paletteChange);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(isLightTheme(*themes));

    // While a dark theme is current the desktop's colour is kept for the grid, without restyling.
    themes->setCurrentTheme(Theme::deepCharcoal());
    changed.clear();
    desktop = QColor(Qt::white);
    themes->refreshSystemAppearance();
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(themes->availableThemes().first().mainGradient.first(), QColor(Qt::white));
}

TEST_F(Themes, TheChoiceIsStoredByNameAndRestoredWithDeepCharcoalAsDefault) {
    // First launch, a stored theme, an unknown name, names are exact, the desktop's own.
    const QList<std::pair<std::optional<QString>, QString>> cases = {
        {std::nullopt, u"Deep Charcoal"_s},
        {u"Dark Ruby"_s, u"Dark Ruby"_s},
        {u"Solarized Neon"_s, u"Deep Charcoal"_s},
        {u"dark ruby"_s, u"Deep Charcoal"_s},
        {u"System Default"_s, u"System Default"_s}};
    for (const auto& [storedName, expected] : cases) {
        clear();
        if (storedName) {
            QSettings().setValue(ThemeManager::selectedThemeKey, *storedName);
        }
        EXPECT_EQ(makeManager()->currentTheme().name, expected);
    }

    clear();
    const auto themes = makeManager();
    QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
    QSignalSpy current(themes.get(), &ThemeManager::currentThemeChanged);
    // Choosing the current theme again, even a copy with another id, stores and announces nothing; the
    // list's own entry stays current, so the grid's check mark (by id) still finds it.
    Theme copy = *themes->themeNamed(defaultThemeName);
    copy.id = QUuid::createUuid();
    themes->setCurrentTheme(copy);
    EXPECT_EQ(changed.count() + current.count(), 0);
    EXPECT_FALSE(stored(ThemeManager::selectedThemeKey).isValid());
    EXPECT_EQ(themes->currentTheme(), *themes->themeNamed(defaultThemeName));
    themes->setCurrentTheme(*themes->themeNamed(u"Dark Pine"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(stored(ThemeManager::selectedThemeKey).toString(), QStringLiteral("Dark Pine"));
    EXPECT_EQ(makeManager()->currentTheme().name, QStringLiteral("Dark Pine"));
}

TEST_F(Themes, WallpapersAreCheckedStoredRestoredAndRemoved) {
    // An uncompressed bitmap within the side limit whose file is over 20 MiB.
    const QByteArray heavy = test::imageBytes(Qt::green, 2600, 2700, "BMP");
    ASSERT_GT(heavy.size(), wallpaper::maximumBytes);

    // 8192 pixels on a side pass; 8193 do not, nor files over 20 MiB, text, a truncated PNG, nothing: a
    // refused picture leaves the one before it in place.
    const QByteArray accepted = test::imageBytes(Qt::blue, wallpaper::maximumSide, 1, "PNG");
    const QByteArray wide = test::imageBytes(Qt::red, wallpaper::maximumSide + 1, 2, "PNG");
    const QList<QByteArray> pictures = {accepted, wide, heavy, "not an image at all", smallPng().left(40),
                                        {}};
    for (const QByteArray& bytes : pictures) {
        SCOPED_TRACE(bytes.left(8).toHex().toStdString());
        const auto themes = makeManager();
        QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
        EXPECT_EQ(themes->setCustomWallpaper(bytes), bytes == accepted);
        EXPECT_EQ(changed.count(), bytes == accepted ? 1 : 0);
        EXPECT_EQ(themes->customWallpaperData(), std::optional<QByteArray>(accepted));
        EXPECT_EQ(stored(ThemeManager::customWallpaperKey).toByteArray(), accepted);
    }
    // Decoded elsewhere (off the UI thread), the bytes still count against the limit.
    EXPECT_FALSE(makeManager()->setCustomWallpaper(heavy, QImage(8, 8, QImage::Format_RGB32)));
    // Restored at the next start, until it is removed.
    const auto themes = makeManager();
    ASSERT_TRUE(themes->hasCustomWallpaper());
    QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
    themes->removeCustomWallpaper();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(themes->hasCustomWallpaper());
    EXPECT_FALSE(stored(ThemeManager::customWallpaperKey).isValid());
}

TEST(Wallpaper, DroppedFilesNeedAnImageExtensionAndAreCheckedForSizeBeforeReading) {
    ScratchDir dir;
    const QByteArray png = smallPng();
    QFile big(dir.filePath(QStringLiteral("big.png")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(wallpaper::maximumBytes + 1)); // sparse: nothing is written
    big.close();
    const QList<std::pair<QString, bool>> cases = {
        {dir.write(u"a.png"_s, png), true},
        {dir.write(u"b.JPEG"_s, png), true},
        {dir.write(u"c.webp"_s, png), false},
        {dir.write(u"d"_s, png), false},
        {big.fileName(), false},
        {dir.filePath(u"gone.png"_s), false},
    };
    for (const auto& [file, readable] : cases) {
        EXPECT_EQ(wallpaper::readFile(file).has_value(), readable) << file.toStdString();
    }
    // Scaled once to the screen, never up.
    QImage large(4000, 3000, QImage::Format_RGB32);
    large.fill(Qt::gray);
    EXPECT_EQ(wallpaper::scaledForScreen(large, QSize(1920, 1080)).size(), QSize(1920, 1080));
    EXPECT_EQ(wallpaper::scaledForScreen(QImage(640, 480, QImage::Format_RGB32), QSize(1920, 1080)).size(),
              QSize(640, 480));
}
