#include "UiFixtures.h"
#include "audio/BPMAnalyzer.h"
#include "support/ClickTracks.h"
#include "ui/FileNameCommands.h"
#include "ui/RenamePatternSheet.h"
#include "ui/SidebarView.h"

#include <QLabel>

using namespace quirella;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace quirella::ui;
using namespace Qt::StringLiterals;

namespace {

class FileNameWindow : public WindowTest {
protected:
    void loadFolder() {
        ASSERT_TRUE(waitFor(model().loadFolder(QUrl::fromLocalFile(dir.path()))));
        QApplication::processEvents();
    }
    void press(SidebarView::Action action) {
        QTest::mouseClick(window->sidebar()->button(action), Qt::LeftButton);
    }
    FileNameCommands& commands() { return *window->fileNameCommands(); }
    void waitForCommand() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !commands().isRunning(); }, 120000));
        ASSERT_TRUE(waitFor(commands().lastCommand(), 120000));
    }
    QStringList fileNames() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    ScratchDir dir;
};

TEST_F(FileNameWindow, RenameOriginalStopsThePlayerAndRenamesByTheChosenPattern) {
    press(SidebarView::Action::renameOriginal);
    EXPECT_FALSE(commands().showRenameSheet()); // nothing without a folder

    for (int i = 1; i <= 12; ++i) {
        dir.write(u"Artist %1 - Title.wav"_s.arg(i, 2, 10, QLatin1Char('0')), wavBytes());
    }
    loadFolder();
    bool playing = true;
    window->setPreviewHooks({{}, {}, {}, [&] { return playing; }, [&] { playing = false; }});
    press(SidebarView::Action::renameOriginal);
    EXPECT_FALSE(playing);
    ASSERT_TRUE(commands().showRenameSheet());
    RenamePatternSheet* sheet = commands().renameSheet();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    EXPECT_EQ(sheet->width(), RenamePatternSheet::sheetWidth);
    EXPECT_EQ(sheet->findChild<QLabel*>(u"prompt"_s)->text(), u"Choose naming pattern for 12 files:"_s);
    QStringList titles;
    for (const PatternButton* button : sheet->patternButtons()) {
        titles.append(button->text() + u" / "_s + button->example());
    }
    EXPECT_EQ(titles, (QStringList{u"Artist - Title / ABBA - Dancing Queen.mp3"_s,
                                   u"Artist - Title (Year) / ABBA - Dancing Queen (1976).mp3"_s,
                                   u"[BPM] Artist - Title / [120 BPM] ABBA - Dancing Queen.mp3"_s}));
    if (!qEnvironmentVariableIsEmpty("QUIRELLA_SCREENSHOTS")) {
        sheet->grab().save(qEnvironmentVariable("QUIRELLA_SCREENSHOTS") + u"/rename-sheet.png"_s);
    }

    model().applyChange(false, [](MusicFolder& folder) { folder.songs.first().bpm = 128; });
    QTest::mouseClick(sheet->patternButtons().at(2), Qt::LeftButton);
    EXPECT_FALSE(commands().showRenameSheet());
    waitForCommand();
    const QStringList names = fileNames();
    EXPECT_EQ(names.size(), 12);
    EXPECT_EQ(names.filter(u"[128 BPM] Artist "_s).size(), 1);
    EXPECT_EQ(toasts.message(), u"✅ 12 files renamed successfully!"_s);
}

TEST_F(FileNameWindow, CancelClosesTheSheetWithoutRenaming) {
    dir.write(u"x.wav"_s, wavBytes());
    loadFolder();
    press(SidebarView::Action::renameOriginal);
    ASSERT_TRUE(commands().showRenameSheet());
    QTest::mouseClick(commands().renameSheet()->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(commands().showRenameSheet());
    EXPECT_FALSE(commands().isRunning());
    EXPECT_EQ(fileNames(), QStringList{u"x.wav"_s});
}

TEST_F(FileNameWindow, SearchAndCleanBpmButtonsReachTheTableAndTheDisk) {
    BPMAnalyzer::clearBPMCache();
    dir.write(u"[99 BPM] Click.wav"_s, clickTrackWav(120, 12));
    loadFolder();
    press(SidebarView::Action::searchBpm);
    waitForCommand();
    ASSERT_EQ(model().visibleSongs().size(), 1);
    EXPECT_EQ(model().visibleSongs().first().bpm, 120);
    EXPECT_EQ(toasts.message(), u"✅ BPM analyzed for 1 songs!"_s);

    press(SidebarView::Action::cleanBpm);
    waitForCommand();
    EXPECT_EQ(fileNames(), QStringList{u"Click.wav"_s});
    EXPECT_EQ(model().visibleSongs().first().url.fileName(), u"Click.wav"_s);
    BPMAnalyzer::clearBPMCache();
}

} // namespace
