#include "UiFixtures.h"
#include "audio/AudioManager.h"
#include "model/Columns.h"
#include "themes/Wallpaper.h"
#include "ui/HeaderBar.h"
#include "ui/PreviewPlayer.h"
#include "ui/SidebarView.h"
#include "ui/ThemeSettingsView.h"
#include "ui/ToastView.h"
#include "ui/WallpaperViews.h"
#include "ui/WelcomeView.h"

#include <QBuffer>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>

#include <algorithm>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;

namespace {

QByteArray pngBytes(const QSize& size, const QColor& color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

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
    QRgb best = 0;
    int bestCount = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > bestCount) {
            best = it.key();
            bestCount = it.value();
        }
    }
    return QColor::fromRgb(best | 0xFF080808u);
}

QColor blended(const QColor& ink, const QColor& background) {
    const double a = ink.alphaF();
    return QColor::fromRgbF(float(ink.redF() * a + background.redF() * (1 - a)),
                            float(ink.greenF() * a + background.greenF() * (1 - a)),
                            float(ink.blueF() * a + background.blueF() * (1 - a)));
}

class ThemedWindow : public WindowTest {
protected:
    ThemeManager& themes() { return window->themeManager(); }
    // The real player bar below the table, so that it is checked and pictured with the rest.
    void attachPlayer() {
        audio = std::make_unique<AudioManager>();
        attachPreviewPlayer(*window, *audio);
    }
    void TearDown() override {
        window.reset(); // before the player it points to
        audio.reset();
    }
    std::unique_ptr<AudioManager> audio;

    void loadSampleFolder() {
        QList<Song> songs;
        const struct {
            const char* title;
            const char* artist;
            const char* genre;
            int year;
            int rating;
            int bpm;
        } rows[] = {
            {"Blue in Green", "Miles Davis", "Jazz", 1959, 5, 0},
            {"Teardrop", "Massive Attack", "Trip-Hop", 1998, 4, 77},
            {"Hyperballad", "Björk", "Electronic", 1995, 4, 0},
            {"Windowlicker", "Aphex Twin", "IDM", 1999, 3, 126},
            {"Nude", "Radiohead", "Rock", 2007, 0, 0},
            {"Strobe", "deadmau5", "House", 2009, 5, 128},
        };
        for (const auto& row : rows) {
            Song song = makeSong(QString::fromUtf8(row.title), QString::fromUtf8(row.artist), row.year);
            song.genre = QString::fromUtf8(row.genre);
            song.rating = row.rating;
            song.bpm = row.bpm;
            songs.append(song);
        }
        load(songs);
    }

    QImage grab() {
        QApplication::processEvents();
        return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    // Every visible label's text against what is drawn behind it.
    void expectReadableLabels(const QImage& shot) {
        const QList<QLabel*> labels = window->findChildren<QLabel*>();
        for (const QLabel* label : labels) {
            if (!label->isVisibleTo(window.get()) || label->text().isEmpty() || !label->pixmap().isNull()) {
                continue;
            }
            const QRect area(label->mapTo(window.get(), QPoint(0, 0)), label->size());
            const QColor background = dominantColor(shot, area);
            const QColor ink = blended(label->palette().color(label->foregroundRole()), background);
            EXPECT_GE(contrast(ink, background), 4.5) << label->text().toStdString();
        }
    }

    ThemeSettingsView* openThemeSheet() {
        QTest::mouseClick(window->sidebar()->button(SidebarView::Action::theme), Qt::LeftButton);
        return qobject_cast<ThemeSettingsView*>(window->openSheet());
    }

    static QString screenshotFolder() {
        // The README's pictures are made by scripts/screenshots.sh, which names the folder.
        const QString folder =
            qEnvironmentVariableIsSet("QUIRELLA_SCREENSHOTS")
                ? qEnvironmentVariable("QUIRELLA_SCREENSHOTS")
                : QCoreApplication::applicationDirPath() + QStringLiteral("/ui-screenshots");
        QDir().mkpath(folder);
        return folder;
    }
};

bool dropOn(QWidget* target, QMimeData& data) {
    const QPoint center = target->rect().center();
    QDragEnterEvent enter(center, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(center), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

TEST_F(ThemedWindow, TheSheetListsEveryThemeMarksTheCurrentOneAndAppliesAChoice) {
    ThemeSettingsView* sheet = openThemeSheet();
    ASSERT_TRUE(sheet);
    QStringList names;
    QStringList marked;
    for (const ThemeRowView* row : sheet->rows()) {
        names.append(row->theme().name);
        if (row->isCurrent()) {
            marked.append(row->theme().name);
        }
    }
    ASSERT_EQ(names.size(), 16);
    EXPECT_EQ(names.first(), QStringLiteral("System Default"));
    EXPECT_EQ(names.last(), QStringLiteral("Dark Ruby"));
    EXPECT_EQ(marked, QStringList{QStringLiteral("Deep Charcoal")});
    EXPECT_GE(sheet->columnCount(), 3); // adaptive: as many 100-pixel columns as fit

    // The close control changes nothing.
    QTest::mouseClick(sheet->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(window->openSheet());
    EXPECT_EQ(window->theme().name, QStringLiteral("Deep Charcoal"));

    sheet = openThemeSheet();
    ASSERT_TRUE(sheet);
    QTest::mouseClick(sheet->row(u"Dark Ocean"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(window->openSheet()); // closed at once
    EXPECT_FALSE(model().activeSheet());
    EXPECT_EQ(window->theme().name, QStringLiteral("Dark Ocean"));
    EXPECT_EQ(QSettings().value(ThemeManager::selectedThemeKey).toString(), QStringLiteral("Dark Ocean"));
    sheet = openThemeSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->row(u"Dark Ocean")->isCurrent());
    sheet->grab().save(screenshotFolder() + QStringLiteral("/theme-sheet.png"));
    EXPECT_FALSE(sheet->row(u"Deep Charcoal")->isCurrent());
}

TEST_F(ThemedWindow, EveryThemeKeepsEveryTextReadable) {
    const QString folder = screenshotFolder();
    attachPlayer();
    const QList<Theme> all = themes().availableThemes();
    for (const Theme& theme : all) {
        SCOPED_TRACE(theme.name.toStdString());
        themes().setCurrentTheme(theme);
        ASSERT_EQ(window->theme().name, theme.name);
        const QImage welcome = grab();
        expectReadableLabels(welcome);
        loadSampleFolder();
        const QImage table = grab();
        expectReadableLabels(table);
        // The table's own text against its rows.
        const QRect titleCell = window->songTable()->visualRect(cell(1, column::title));
        const QRect inWindow(window->songTable()->viewport()->mapTo(window.get(), titleCell.topLeft()),
                             titleCell.size());
        const QColor rowBackground = dominantColor(table, inWindow);
        EXPECT_GE(contrast(blended(window->songTable()->colors().text, rowBackground), rowBackground), 4.5);
        QString file = theme.name.toLower();
        file.replace(QLatin1Char(' '), QLatin1Char('-'));
        welcome.save(folder + QStringLiteral("/theme-") + file + QStringLiteral("-welcome.png"));
        table.save(folder + QStringLiteral("/theme-") + file + QStringLiteral("-table.png"));
        load({});
    }
    themes().setCurrentTheme(Theme::deepCharcoal());
}

TEST_F(ThemedWindow, SystemDefaultRestylesTheOpenWindowWhenTheDesktopSwitches) {
    window.reset();
    std::optional<QColor> desktop = QColor(0xEC, 0xEC, 0xEC);
    ThemeManager own([&desktop] { return desktop; });
    window = std::make_unique<MainWindow>(&progress, &toasts, nullptr, &own);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    loadSampleFolder();

    own.setCurrentTheme(*own.themeNamed(systemDefaultThemeName));
    EXPECT_TRUE(isLightTheme(window->theme()));
    EXPECT_EQ(window->songTable()->colors().text, QColor(Qt::black));
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_SetPalette)); // the desktop's own palette

    desktop = QColor(0x1E, 0x1E, 0x1E); // the desktop goes dark; Qt sends a palette change
    QEvent paletteChange(QEvent::ApplicationPaletteChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &paletteChange);
    EXPECT_FALSE(isLightTheme(window->theme()));
    EXPECT_EQ(window->songTable()->colors().text, QColor(Qt::white));
    expectReadableLabels(grab());

    // A dark theme forces its own palette, and the desktop no longer matters.
    own.setCurrentTheme(*own.themeNamed(u"Dark Steel"));
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_SetPalette));
    window.reset();
}

TEST_F(ThemedWindow, WallpaperButtonDropZoneAndCleanEntry) {
    ToolbarWallpaperButton* button = window->wallpaperButton();
    ASSERT_TRUE(button);
    EXPECT_TRUE(window->headerBar()->isAncestorOf(button));
    EXPECT_EQ(button->toolTip(), QStringLiteral("Set custom wallpaper"));
    EXPECT_FALSE(button->contextMenu()); // no "Clean" without a wallpaper

    CustomWallpaperDropZone* zone = window->wallpaperDropZone();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(zone->isVisible());
    EXPECT_EQ(zone->zoneText(), QStringLiteral("Drop image"));
    grab().save(screenshotFolder() + QStringLiteral("/wallpaper-drop-zone.png"));
    // A tap on the dimmed backdrop closes the zone.
    QTest::mouseClick(zone, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(zone->isVisible());

    ScratchDir dir;
    const QByteArray png = pngBytes(QSize(64, 40), QColor(200, 40, 90));
    struct Case {
        const char* name;
        QString file;
        bool accepted;
    };
    const Case cases[] = {
        {"a WebP file is not among the types", dir.write(QStringLiteral("a.webp"), png), false},
        {"a PNG named .png that does not decode", dir.write(QStringLiteral("b.png"), "junk"), false},
        {"an image over 8192 pixels wide",
         dir.write(QStringLiteral("c.png"), pngBytes(QSize(wallpaper::maximumSide + 1, 1), Qt::white)),
         false},
        {"a PNG", dir.write(QStringLiteral("d.png"), png), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(zone->isVisible());
        QSignalSpy handled(zone, &CustomWallpaperDropZone::wallpaperHandled);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(c.file)});
        ASSERT_TRUE(dropOn(zone, data));
        EXPECT_FALSE(zone->isVisible()); // closed at once, before the file is read
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return handled.count() == 1; }, 10000)); // may come before the drop returns
        EXPECT_EQ(handled.first().first().toBool(), c.accepted);
        EXPECT_EQ(themes().hasCustomWallpaper(), c.accepted);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->wallpaperImage().isNull(); }, 10000));
    EXPECT_EQ(window->wallpaperImage().pixelColor(5, 5), QColor(200, 40, 90));
    // A pale picture under white text, and a dark one under the light theme's black text: the window's
    // text stays readable on both.
    for (const auto& [theme, color] : {std::pair{QStringLiteral("Deep Charcoal"), QColor(250, 240, 200)},
                                       std::pair{QStringLiteral("System Default"), QColor(20, 30, 60)}}) {
        SCOPED_TRACE(theme.toStdString());
        themes().setCurrentTheme(*themes().themeNamed(theme));
        ASSERT_TRUE(themes().setCustomWallpaper(pngBytes(QSize(800, 500), color)));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return window->wallpaperImage().pixelColor(5, 5) == color; }, 10000));
        const QImage shot = grab();
        expectReadableLabels(shot);
        shot.save(screenshotFolder() + QStringLiteral("/wallpaper-") + QString::number(color.red()) +
                  QStringLiteral(".png"));
    }
    themes().setCurrentTheme(Theme::deepCharcoal());
    EXPECT_EQ(button->toolTip(), QStringLiteral("Change custom wallpaper"));

    // Image data dragged out of another program replaces it.
    QTest::mouseClick(button, Qt::LeftButton);
    QSignalSpy handled(zone, &CustomWallpaperDropZone::wallpaperHandled);
    QMimeData picture;
    picture.setData(QStringLiteral("image/png"), pngBytes(QSize(30, 30), QColor(20, 160, 60)));
    ASSERT_TRUE(dropOn(zone, picture));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return handled.count() == 1; }, 10000)); // may come before the drop returns
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->wallpaperImage().pixelColor(5, 5) == QColor(20, 160, 60); }, 10000));

    std::unique_ptr<QMenu> menu = button->contextMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Clean"));
    menu->actions().first()->trigger();
    EXPECT_FALSE(themes().hasCustomWallpaper());
    EXPECT_TRUE(window->wallpaperImage().isNull());
    EXPECT_EQ(button->toolTip(), QStringLiteral("Set custom wallpaper"));
    EXPECT_FALSE(QSettings().contains(ThemeManager::customWallpaperKey));
}

TEST_F(ThemedWindow, OpenFolderLoadsTheChosenFolderAsADropDoes) {
    ScratchDir dir;
    dir.write(QStringLiteral("Album/a.wav"), wavBytes());
    dir.write(QStringLiteral("Album/b.wav"), wavBytes());
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    QFileDialog* dialog = window->folderDialog();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    dialog->selectFile(dir.filePath(QStringLiteral("Album")));
    static_cast<QDialog*>(dialog)->accept(); // through QDialog, where accept() is public
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isShowingTable(); }, 30000));
    EXPECT_EQ(model().currentFolder()->name, QStringLiteral("Album"));
    EXPECT_EQ(model().visibleSongs().size(), 2);
    // The welcome view offers the same through its button.
    load({});
    QTest::mouseClick(window->welcomeView()->openFolderButton(), Qt::LeftButton);
    ASSERT_TRUE(window->folderDialog());
    window->folderDialog()->reject();
}

TEST_F(ThemedWindow, EveryControlAndCellTypeHasAnAccessibleName) {
    for (const auto action :
         {SidebarView::Action::editRemove, SidebarView::Action::editRename, SidebarView::Action::setGenre,
          SidebarView::Action::uppercase, SidebarView::Action::firstLetter, SidebarView::Action::characters,
          SidebarView::Action::searchBpm, SidebarView::Action::cleanBpm, SidebarView::Action::writeTags,
          SidebarView::Action::setCover, SidebarView::Action::renameOriginal, SidebarView::Action::clean,
          SidebarView::Action::columns, SidebarView::Action::theme, SidebarView::Action::undo,
          SidebarView::Action::redo}) {
        EXPECT_FALSE(window->sidebar()->button(action)->accessibleName().isEmpty()) << int(action);
    }
    EXPECT_EQ(window->sidebar()->button(SidebarView::Action::columns)->accessibleName(),
              QStringLiteral("Select Visible Columns"));
    const QList<QWidget*> headerControls = window->headerBar()->findChildren<QWidget*>();
    for (const QWidget* control : headerControls) {
        if (control->isVisibleTo(window->headerBar())) {
            EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
        }
    }
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
    EXPECT_TRUE(spoken.contains(QStringLiteral("Rating: 5 stars")));
    EXPECT_TRUE(spoken.contains(QStringLiteral("Play Blue in Green")));
}

// The window at the size the README shows it: the welcome page, then a folder in a dark theme and in
// the desktop's colours, each readable; the pictures are the README's.
TEST_F(ThemedWindow, ReadmeViewsAreReadable) {
    const QString folder = screenshotFolder();
    attachPlayer();
    window->resize(1100, 700);
    const QImage welcome = grab();
    EXPECT_TRUE(window->welcomeView()->isVisible());
    expectReadableLabels(welcome);
    welcome.save(folder + QStringLiteral("/welcome.png"));
    loadSampleFolder();
    ASSERT_TRUE(window->isShowingTable());
    const struct {
        QStringView theme;
        const char* file;
    } views[] = {{u"Dark Sapphire", "folder-dark"}, {systemDefaultThemeName, "folder-system-default"}};
    for (const auto& view : views) {
        SCOPED_TRACE(view.file);
        const std::optional<Theme> theme = themes().themeNamed(view.theme);
        ASSERT_TRUE(theme);
        themes().setCurrentTheme(*theme);
        EXPECT_EQ(window->theme().name, view.theme.toString());
        const QImage shot = grab();
        expectReadableLabels(shot);
        shot.save(folder + u'/' + QLatin1String(view.file) + QStringLiteral(".png"));
    }
    themes().setCurrentTheme(Theme::deepCharcoal());
}

TEST_F(ThemedWindow, EverySheetKeepsItsTextReadableInLightAndDarkThemes) {
    loadSampleFolder();
    const QString folder = screenshotFolder();
    const Song first = model().visibleSongs().first();
    const QList<std::pair<const char*, ActiveSheet>> sheets{
        {"theme", ActiveSheet(ActiveSheet::Kind::themeSettings)},
        {"cover", ActiveSheet(ActiveSheet::Kind::coverImagePicker)},
        {"columns", ActiveSheet(ActiveSheet::Kind::columnSelector)},
        {"remove", ActiveSheet(ActiveSheet::Kind::removeSheet)},
        {"replace", ActiveSheet(ActiveSheet::Kind::replaceSheet)},
        {"edit-field", ActiveSheet::editField(first)},
        {"replace-column", ActiveSheet::replaceColumn(QStringLiteral("genre"))},
        {"genre", ActiveSheet(ActiveSheet::Kind::genreEdit)},
    };
    for (const QString& name : {QStringLiteral("System Default"), QStringLiteral("Deep Charcoal")}) {
        themes().setCurrentTheme(*themes().themeNamed(name));
        for (const auto& [label, sheet] : sheets) {
            SCOPED_TRACE(name.toStdString() + " " + label);
            model().setActiveSheet(sheet);
            QApplication::processEvents();
            QDialog* dialog = window->openSheet();
            if (!dialog) {
                continue; // not every sheet exists yet
            }
            ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
            const QImage shot = dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
            shot.save(folder + QStringLiteral("/sheet-") + QString::fromLatin1(label) + QLatin1Char('-') +
                      QString(name).replace(QLatin1Char(' '), QLatin1Char('-')).toLower() +
                      QStringLiteral(".png"));
            const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
            for (const QLabel* text : labels) {
                if (!text->isVisibleTo(dialog) || text->text().isEmpty() || !text->pixmap().isNull()) {
                    continue;
                }
                const QRect area(text->mapTo(dialog, QPoint(0, 0)), text->size());
                const QColor background = dominantColor(shot, area);
                const QColor ink = blended(text->palette().color(text->foregroundRole()), background);
                EXPECT_GE(contrast(ink, background), 4.5) << text->text().toStdString();
            }
            model().setActiveSheet(std::nullopt);
            QApplication::processEvents();
        }
        // The toast and the progress card are pictured too (their text is painted, not labels).
        const QString suffix = QString(name).replace(QLatin1Char(' '), QLatin1Char('-')).toLower();
        toasts.show(QStringLiteral("✅ Tags written to 6 songs"), ToastManager::ToastType::success);
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->toastView()->isVisible(); }, 5000));
        grab().save(folder + QStringLiteral("/toast-") + suffix + QStringLiteral(".png"));
        ProgressManager::Operation working;
        working.message = QStringLiteral("Writing tags...");
        working.total = 6;
        progress.startOperation(working);
        QApplication::processEvents();
        grab().save(folder + QStringLiteral("/progress-") + suffix + QStringLiteral(".png"));
        progress.cancel();
        QApplication::processEvents();
    }
    themes().setCurrentTheme(Theme::deepCharcoal());
}
