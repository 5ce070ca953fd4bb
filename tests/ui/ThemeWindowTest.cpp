// SPDX-License-Identifier: GPL-3.0-or-later
// Themes in the running window: the theme sheet, every theme's texts against what is drawn behind them,
// the desktop's own colours, the wallpaper, accessible names, and the README's pictures.
#include "UiFixtures.h"
#include "audio/AudioManager.h"
#include "model/Columns.h"
#include "ui/HeaderBar.h"
#include "ui/PreviewPlayer.h"
#include "ui/WallpaperViews.h"
#include "ui/WelcomeView.h"

#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>

#include <algorithm>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

namespace {

// WCAG contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b) {
    auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    auto relative = [&](const QColor& c) {
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = relative(a);
    const double lb = relative(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour most pixels of the area have: the background a label's text stands on.
QColor dominantColor(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            ++counts[image.pixel(x, y) & 0xF0F0F0F0u]; // near shades of a gradient count as one
        }
    }
    const auto best = std::max_element(counts.cbegin(), counts.cend());
    return QColor::fromRgb((best == counts.cend() ? 0 : best.key()) | 0xFF080808u);
}

QColor blended(const QColor& ink, const QColor& background) {
    const double a = ink.alphaF();
    return QColor::fromRgbF(float(ink.redF() * a + background.redF() * (1 - a)),
                            float(ink.greenF() * a + background.greenF() * (1 - a)),
                            float(ink.blueF() * a + background.blueF() * (1 - a)));
}

// Every visible label of `root` against what `shot` (a picture of root) shows behind it.
void expectReadableLabels(QWidget* root, const QImage& shot) {
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(root) || label->text().isEmpty() || !label->pixmap().isNull()) {
            continue;
        }
        const QColor background = dominantColor(shot, QRect(label->mapTo(root, QPoint(0, 0)), label->size()));
        const QColor ink = blended(label->palette().color(label->foregroundRole()), background);
        EXPECT_GE(contrast(ink, background), 4.5) << label->text().toStdString();
    }
}

QImage grabOf(QWidget* widget) {
    QApplication::processEvents();
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class ThemedWindow : public WindowTest {
protected:
    ThemeManager& themes() { return window->themeManager(); }
    void TearDown() override {
        window.reset(); // before the player it points to
        audio.reset();
    }
    std::unique_ptr<AudioManager> audio;

    void loadSampleFolder() {
        load({makeSong(u"Blue in Green"_s, u"Miles Davis"_s, 1959, u"Jazz"_s, 5),
              makeSong(u"Teardrop"_s, u"Massive Attack"_s, 1998, u"Trip-Hop"_s, 4, 77),
              makeSong(u"Hyperballad"_s, u"Björk"_s, 1995, u"Electronic"_s, 4),
              makeSong(u"Windowlicker"_s, u"Aphex Twin"_s, 1999, u"IDM"_s, 3, 126),
              makeSong(u"Nude"_s, u"Radiohead"_s, 2007, u"Rock"_s),
              makeSong(u"Strobe"_s, u"deadmau5"_s, 2009, u"House"_s, 5, 128)});
    }
    void setTheme(QStringView name) {
        const std::optional<Theme> theme = themes().themeNamed(name);
        ASSERT_TRUE(theme);
        themes().setCurrentTheme(*theme);
    }
    // The wallpaper's colour far from the white diagonal that imageBytes draws.
    QColor wallpaperCorner() {
        const QImage image = window->wallpaperImage();
        return image.isNull() ? QColor() : image.pixelColor(image.width() - 3, 2);
    }
};

} // namespace

TEST_F(ThemedWindow, EverySheetKeepsItsTextReadableInLightAndDarkThemes) {
    loadSampleFolder();
    const QList<std::pair<const char*, ActiveSheet>> sheets{
        {"theme", ActiveSheet(ActiveSheet::Kind::themeSettings)},
        {"cover", ActiveSheet(ActiveSheet::Kind::coverImagePicker)},
        {"columns", ActiveSheet(ActiveSheet::Kind::columnSelector)},
        {"remove", ActiveSheet(ActiveSheet::Kind::removeSheet)},
        {"replace", ActiveSheet(ActiveSheet::Kind::replaceSheet)},
        {"edit-field", ActiveSheet::editField(model().visibleSongs().first())},
        {"replace-column", ActiveSheet::replaceColumn(u"genre"_s)},
        {"genre", ActiveSheet(ActiveSheet::Kind::genreEdit)},
    };
    for (const QStringView name : {u"System Default", u"Deep Charcoal"}) {
        setTheme(name);
        for (const auto& [label, sheet] : sheets) {
            SCOPED_TRACE(name.toString().toStdString() + " " + label);
            model().setActiveSheet(sheet);
            QApplication::processEvents();
            QDialog* dialog = window->openSheet();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
            expectReadableLabels(dialog, grabOf(dialog));
            model().setActiveSheet(std::nullopt);
            QApplication::processEvents();
        }
    }
}

TEST_F(ThemedWindow, SystemDefaultRestylesTheOpenWindowWhenTheDesktopSwitches) {
    window.reset();
    std::optional<QColor> desktop = QColor(0xEC, 0xEC, 0xEC);
    // As the desktop's colour is read: not through a palette a theme forced.
    ThemeManager own(
        [&desktop] { return QCoreApplication::testAttribute(Qt::AA_SetPalette) ? std::nullopt : desktop; });
    window = std::make_unique<MainWindow>(&progress, &toasts, nullptr, &own);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    loadSampleFolder();

    own.setCurrentTheme(*own.themeNamed(systemDefaultThemeName));
    EXPECT_EQ(table().colors().text, QColor(Qt::black));
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_SetPalette)); // the desktop's own palette

    desktop = QColor(0x1E, 0x1E, 0x1E); // the desktop goes dark; Qt sends a palette change
    QEvent paletteChange(QEvent::ApplicationPaletteChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &paletteChange);
    EXPECT_EQ(table().colors().text, QColor(Qt::white));
    expectReadableLabels(window.get(), grabOf(window.get()));

    // A dark theme forces its own palette, and the desktop no longer matters.
    own.setCurrentTheme(*own.themeNamed(u"Dark Steel"));
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_SetPalette));
    // The desktop turns light unseen meanwhile; back on System Default the window reads it anew.
    desktop = QColor(0xEC, 0xEC, 0xEC);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &paletteChange);
    own.setCurrentTheme(*own.themeNamed(systemDefaultThemeName));
    EXPECT_EQ(table().colors().text, QColor(Qt::black));
    window.reset();
}

TEST_F(ThemedWindow, WallpaperButtonDropZoneAndCleanEntry) {
    ToolbarWallpaperButton* button = window->wallpaperButton();
    ASSERT_TRUE(window->headerBar()->isAncestorOf(button));
    EXPECT_FALSE(button->contextMenu()); // no "Clean" without a wallpaper
    CustomWallpaperDropZone* zone = window->wallpaperDropZone();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(zone->isVisible());
    QTest::mouseClick(zone, Qt::LeftButton, {}, QPoint(3, 3)); // a tap on the dimmed backdrop closes it
    EXPECT_FALSE(zone->isVisible());

    // Dropped files and image data: the zone closes at once, the picture is read after.
    ScratchDir dir;
    QMimeData junk, file, picture;
    junk.setUrls({QUrl::fromLocalFile(dir.write(u"b.png"_s, "junk"))});
    file.setUrls(
        {QUrl::fromLocalFile(dir.write(u"d.png"_s, imageBytes(QColor(200, 40, 90), 64, 40, "PNG")))});
    picture.setData(u"image/png"_s, imageBytes(QColor(20, 160, 60), 30, 30, "PNG"));
    const struct {
        const char* name;
        const QMimeData& data;
        QColor shown; // invalid: refused
    } drops[] = {{"a .png that does not decode", junk, QColor()},
                 {"a PNG file", file, QColor(200, 40, 90)},
                 {"image data from another program", picture, QColor(20, 160, 60)}};
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.name);
        QTest::mouseClick(button, Qt::LeftButton);
        QSignalSpy handled(zone, &CustomWallpaperDropZone::wallpaperHandled);
        ASSERT_TRUE(dragAndDrop(zone, zone->rect().center(), drop.data));
        EXPECT_FALSE(zone->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return handled.count() == 1; }, 10000));
        EXPECT_EQ(handled.first().first().toBool(), drop.shown.isValid());
        EXPECT_TRUE(QTest::qWaitFor([&] { return wallpaperCorner() == drop.shown; }, 10000));
    }
    EXPECT_EQ(button->toolTip(), u"Change custom wallpaper"_s);
    // A pale picture under white text, and a dark one under the light theme's black text: the window's
    // text stays readable on both.
    for (const auto& [theme, color] : {std::pair{u"Deep Charcoal"_s, QColor(250, 240, 200)},
                                       std::pair{u"System Default"_s, QColor(20, 30, 60)}}) {
        SCOPED_TRACE(theme.toStdString());
        setTheme(theme);
        ASSERT_TRUE(themes().setCustomWallpaper(imageBytes(color, 800, 500, "PNG")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return wallpaperCorner() == color; }, 10000));
        expectReadableLabels(window.get(), grabOf(window.get()));
    }
    std::unique_ptr<QMenu> menu = button->contextMenu();
    menuEntry(*menu, u"Clean"_s)->trigger();
    EXPECT_FALSE(themes().hasCustomWallpaper());
    EXPECT_TRUE(window->wallpaperImage().isNull());
    EXPECT_EQ(button->toolTip(), u"Set custom wallpaper"_s);
}

// The name of every control of the window and its sheets is checked as a screen reader gets it, over
// AT-SPI (tests/desktop); here the table through QAccessible: its cells, the current one, the editor.
TEST_F(ThemedWindow, EveryControlAndCellTypeHasAnAccessibleName) {
    loadSampleFolder();
    const SongTableModel& songs = table().songModel();
    QSet<QString> spoken;
    for (int section = 0; section < songs.columnCount(); ++section) {
        const QString text = songs.index(0, section).data(Qt::AccessibleTextRole).toString();
        EXPECT_FALSE(text.isEmpty()) << songs.columnId(section).toStdString();
        EXPECT_FALSE(songs.headerData(section, Qt::Horizontal, Qt::AccessibleTextRole).toString().isEmpty());
        spoken.insert(text);
    }
    EXPECT_EQ(spoken.size(), songs.columnCount()); // each cell says what it is
    EXPECT_TRUE(spoken.contains(u"Rating: 5 stars"_s));
    EXPECT_TRUE(spoken.contains(u"Play Blue in Green"_s));
    QAccessibleTableInterface* grid = QAccessible::queryAccessibleInterface(&table())->tableInterface();
    EXPECT_EQ(QList<int>({grid->rowCount(), grid->columnCount()}),
              QList<int>({songs.rowCount(), songs.columnCount()}));
    table().setCurrentIndex(cell(1, column::title));
    const QAccessibleInterface* current = grid->cellAt(1, songs.sectionOf(column::title));
    EXPECT_TRUE(current->state().focused);
    EXPECT_EQ(current->text(QAccessible::Name), u"Title: "_s + cell(1, column::title).data().toString());
    click(0, column::title); // the editor a click opens is named after its column
    EXPECT_EQ(table().indexWidget(cell(0, column::title))->accessibleName(), u"Title"_s);
}

// Every theme's texts against what is drawn behind them, on the welcome page and over a folder, at the
// size the README shows the window. scripts/screenshots.sh runs this test by name: it saves the README's
// pictures, the welcome page and a folder in a dark theme and in the desktop's colours.
TEST_F(ThemedWindow, ReadmeScreenshots) {
    // The pictures go to the folder scripts/screenshots.sh names, else to one beside the test binary.
    const QString folder = qEnvironmentVariableIsSet("QUIRELLA_SCREENSHOTS")
                               ? qEnvironmentVariable("QUIRELLA_SCREENSHOTS")
                               : QCoreApplication::applicationDirPath() + u"/ui-screenshots"_s;
    QDir().mkpath(folder);
    audio = std::make_unique<AudioManager>(); // the real player bar, checked and pictured with the rest
    attachPreviewPlayer(*window, *audio);
    window->resize(1100, 700);
    EXPECT_TRUE(grabOf(window.get()).save(folder + u"/welcome.png"_s));
    const QHash<QString, QString> readme{{u"Dark Sapphire"_s, u"folder-dark"_s},
                                         {systemDefaultThemeName.toString(), u"folder-system-default"_s}};
    for (const Theme& theme : themes().availableThemes()) {
        SCOPED_TRACE(theme.name.toStdString());
        themes().setCurrentTheme(theme);
        ASSERT_EQ(window->theme().name, theme.name);
        expectReadableLabels(window.get(), grabOf(window.get()));
        loadSampleFolder();
        const QImage shot = grabOf(window.get());
        expectReadableLabels(window.get(), shot);
        // The table's own text against its rows.
        const QRect title = table().visualRect(cell(1, column::title));
        const QColor row = dominantColor(
            shot, QRect(table().viewport()->mapTo(window.get(), title.topLeft()), title.size()));
        EXPECT_GE(contrast(blended(table().colors().text, row), row), 4.5);
        if (readme.contains(theme.name)) {
            EXPECT_TRUE(shot.save(folder + u'/' + readme.value(theme.name) + u".png"_s));
        }
        load({});
    }
}
