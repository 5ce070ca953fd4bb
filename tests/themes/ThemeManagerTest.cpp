#include "themes/ThemeManager.h"

#include "support/TestSupport.h"
#include "themes/Wallpaper.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace quirella;
using quirella::test::ScratchDir;

namespace {

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray smallPng() {
    QImage image(32, 16, QImage::Format_RGB32);
    image.fill(QColor(10, 120, 200));
    return encoded(image, "PNG");
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

TEST(ThemeColours, HexTextGivesTheColourOrOpaqueBlack) {
    struct Case {
        const char* name;
        QString text;
        QColor expected;
    };
    const Case cases[] = {
        {"six digits", QStringLiteral("0F172A"), QColor(0x0F, 0x17, 0x2A)},
        {"a hash is trimmed", QStringLiteral("#0F172A"), QColor(0x0F, 0x17, 0x2A)},
        {"blanks and punctuation at both ends are trimmed", QStringLiteral(" #0F172A; "),
         QColor(0x0F, 0x17, 0x2A)},
        {"three digits are each times 17", QStringLiteral("FFF"), QColor(255, 255, 255)},
        {"three mixed digits", QStringLiteral("1a2"), QColor(0x11, 0xAA, 0x22)},
        {"eight digits put alpha first", QStringLiteral("80FF0000"), QColor(255, 0, 0, 0x80)},
        {"five digits are opaque black", QStringLiteral("12345"), QColor(0, 0, 0)},
        {"not hexadecimal is black", QStringLiteral("GGGGGG"), QColor(0, 0, 0)},
        {"too long for any form is black", QStringLiteral("0123456789ABCDEF01"), QColor(0, 0, 0)},
        {"empty is black", QString(), QColor(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(colorFromHex(c.text).rgba(), c.expected.rgba());
    }
    EXPECT_NEAR(colorFromHex(u"80FF0000").alphaF(), 0.5, 0.01);
}

TEST_F(Themes, ListsTheSixteenThemesInGridOrderWithWhiteTextOnEveryDarkOne) {
    const auto themes = makeManager();
    const QStringList expected{
        QStringLiteral("System Default"), QStringLiteral("Dark Blue"),    QStringLiteral("Deep Charcoal"),
        QStringLiteral("Midnight Black"), QStringLiteral("Dark Emerald"), QStringLiteral("Deep Purple"),
        QStringLiteral("Dark Crimson"),   QStringLiteral("Dark Steel"),   QStringLiteral("Dark Ocean"),
        QStringLiteral("Dark Bronze"),    QStringLiteral("Dark Slate"),   QStringLiteral("Dark Aubergine"),
        QStringLiteral("Deep Graphite"),  QStringLiteral("Dark Pine"),    QStringLiteral("Dark Sapphire"),
        QStringLiteral("Dark Ruby")};
    QStringList names;
    QSet<QUuid> ids;
    for (const Theme& theme : themes->availableThemes()) {
        names.append(theme.name);
        ids.insert(theme.id);
        ASSERT_EQ(theme.mainGradient.size(), 2) << theme.name.toStdString();
        EXPECT_EQ(theme.textColor.has_value(), !theme.isSystemDefault()) << theme.name.toStdString();
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ids.size(), 16);
    EXPECT_EQ(themes->themeNamed(u"Dark Ocean")->mainGradient,
              (QList<QColor>{QColor(0x00, 0x1B, 0x2E), QColor(0x00, 0x2D, 0x4A)}));
    // "System Default" is the desktop's window colour, twice.
    EXPECT_EQ(themes->availableThemes().first().mainGradient, (QList<QColor>{*desktop, *desktop}));
}

TEST_F(Themes, EveryBuiltInThemeIsDarkAndSystemDefaultFollowsTheDesktop) {
    const auto themes = makeManager();
    struct Case {
        QString theme;
        std::optional<QColor> desktop;
        bool light;
    };
    QList<Case> cases;
    for (const Theme& theme : themes->availableThemes()) {
        if (!theme.isSystemDefault()) {
            cases.append({theme.name, std::nullopt, false});
        }
    }
    cases.append({systemDefaultThemeName.toString(), QColor(0xEF, 0xEF, 0xEF), true});
    cases.append({systemDefaultThemeName.toString(), QColor(0x2B, 0x2B, 0x2B), false});
    ASSERT_EQ(cases.size(), 17);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.theme.toStdString());
        if (c.desktop) {
            desktop = c.desktop;
            themes->refreshSystemAppearance();
        }
        themes->setCurrentTheme(*themes->themeNamed(c.theme));
        EXPECT_EQ(isLightTheme(*themes), c.light);
    }
    // The rule itself: luminance above one half, judged on the first colour; no colours is dark.
    EXPECT_TRUE(isLightTheme(Theme{QStringLiteral("Paper"), {colorFromHex(u"F5F5F5"), QColor(Qt::black)}}));
    EXPECT_FALSE(isLightTheme(Theme{QStringLiteral("Just under"), {QColor(127, 127, 127)}}));
    EXPECT_FALSE(isLightTheme(Theme{QStringLiteral("Empty"), {}}));
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
    struct Case {
        const char* name;
        std::optional<QString> stored;
        QString expected;
    };
    const Case cases[] = {
        {"first launch", std::nullopt, QStringLiteral("Deep Charcoal")},
        {"a stored theme", QStringLiteral("Dark Ruby"), QStringLiteral("Dark Ruby")},
        {"an unknown name", QStringLiteral("Solarized Neon"), QStringLiteral("Deep Charcoal")},
        {"names are exact", QStringLiteral("dark ruby"), QStringLiteral("Deep Charcoal")},
        {"the desktop's own", QStringLiteral("System Default"), QStringLiteral("System Default")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        if (c.stored) {
            QSettings().setValue(ThemeManager::selectedThemeKey, *c.stored);
        }
        EXPECT_EQ(makeManager()->currentTheme().name, c.expected);
    }

    clear();
    const auto themes = makeManager();
    QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
    themes->setCurrentTheme(*themes->themeNamed(u"Dark Pine"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(stored(ThemeManager::selectedThemeKey).toString(), QStringLiteral("Dark Pine"));
    EXPECT_EQ(makeManager()->currentTheme().name, QStringLiteral("Dark Pine"));
}

TEST_F(Themes, ChoosingTheCurrentThemeAgainStoresNothingAndAnnouncesNothing) {
    const auto themes = makeManager();
    QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
    QSignalSpy current(themes.get(), &ThemeManager::currentThemeChanged);
    themes->setCurrentTheme(Theme::deepCharcoal()); // the default, already current
    // A copy with another id but the same name is the same choice.
    Theme copy = *themes->themeNamed(defaultThemeName);
    copy.id = QUuid::createUuid();
    themes->setCurrentTheme(copy);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(current.count(), 0);
    EXPECT_FALSE(stored(ThemeManager::selectedThemeKey).isValid());
    // The list's own entry stays current, so the grid's check mark (by id) still finds it.
    EXPECT_EQ(themes->currentTheme(), *themes->themeNamed(defaultThemeName));
}

TEST_F(Themes, WallpaperIsStoredRestoredAndRemoved) {
    const QByteArray png = smallPng();
    {
        const auto themes = makeManager();
        EXPECT_FALSE(themes->hasCustomWallpaper());
        QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
        ASSERT_TRUE(themes->setCustomWallpaper(png));
        EXPECT_EQ(changed.count(), 1);
        EXPECT_EQ(stored(ThemeManager::customWallpaperKey).toByteArray(), png);
    }
    const auto themes = makeManager();
    ASSERT_TRUE(themes->customWallpaperData().has_value());
    EXPECT_EQ(*themes->customWallpaperData(), png);
    QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
    themes->removeCustomWallpaper();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_FALSE(themes->hasCustomWallpaper());
    EXPECT_FALSE(stored(ThemeManager::customWallpaperKey).isValid());
}

TEST_F(Themes, HugeOrUndecodableWallpapersAreRefusedAndChangeNothing) {
    QImage wide(wallpaper::maximumSide + 1, 2, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QImage square(wallpaper::maximumSide, 1, QImage::Format_RGB32);
    square.fill(Qt::blue);
    // An uncompressed bitmap within the side limit whose file is over 20 MiB.
    QImage heavy(2600, 2700, QImage::Format_RGB888);
    heavy.fill(Qt::green);
    const QByteArray heavyBytes = encoded(heavy, "BMP");
    ASSERT_GT(heavyBytes.size(), wallpaper::maximumBytes);

    struct Case {
        const char* name;
        QByteArray bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"a small PNG", smallPng(), true},
        {"8192 pixels on a side", encoded(square, "PNG"), true},
        {"8193 pixels on a side", encoded(wide, "PNG"), false},
        {"a file over 20 MiB", heavyBytes, false},
        {"text", QByteArrayLiteral("not an image at all"), false},
        {"a truncated PNG", smallPng().left(40), false},
        {"nothing", QByteArray(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        const auto themes = makeManager();
        QSignalSpy changed(themes.get(), &ThemeManager::themeChanged);
        EXPECT_EQ(themes->setCustomWallpaper(c.bytes), c.accepted);
        EXPECT_EQ(themes->hasCustomWallpaper(), c.accepted);
        EXPECT_EQ(changed.count(), c.accepted ? 1 : 0);
        EXPECT_EQ(stored(ThemeManager::customWallpaperKey).isValid(), c.accepted);
    }
}

TEST(Wallpaper, DroppedFilesNeedAnImageExtensionAndAreCheckedForSizeBeforeReading) {
    ScratchDir dir;
    const QByteArray png = smallPng();
    QFile big(dir.filePath(QStringLiteral("big.png")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(wallpaper::maximumBytes + 1)); // sparse: nothing is written
    big.close();
    struct Case {
        const char* name;
        QString file;
        bool read;
    };
    const Case cases[] = {
        {"png", dir.write(QStringLiteral("a.png"), png), true},
        {"upper-case extension", dir.write(QStringLiteral("b.JPEG"), png), true},
        {"webp is not among the types", dir.write(QStringLiteral("c.webp"), png), false},
        {"no extension", dir.write(QStringLiteral("d"), png), false},
        {"over 20 MiB", big.fileName(), false},
        {"missing", dir.filePath(QStringLiteral("gone.png")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wallpaper::readFile(c.file).has_value(), c.read);
    }
    // Scaled once to the screen, never up.
    QImage large(4000, 3000, QImage::Format_RGB32);
    large.fill(Qt::gray);
    EXPECT_EQ(wallpaper::scaledForScreen(large, QSize(1920, 1080)).size(), QSize(1920, 1080));
    EXPECT_EQ(wallpaper::scaledForScreen(QImage(640, 480, QImage::Format_RGB32), QSize(1920, 1080)).size(),
              QSize(640, 480));
}
