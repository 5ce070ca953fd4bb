#include "UiFixtures.h"
#include "audio/BPMAnalyzer.h"
#include "support/ClickTracks.h"
#include "ui/FileNameCommands.h"
#include "ui/RenamePatternSheet.h"

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
        dir.write(u"Artist %1 - Title.wav"_s.arg(i, 2, 10, QLatin1Char('0')), wavFile());
    }
    loadFolder();
    bool playing = true;
    window->setPreviewHooks({{}, {}, {}, [&] { return playing; }, [&] { playing = false; }});
    press(SidebarView::Action::renameOriginal);
    EXPECT_FALSE(playing);
    ASSERT_TRUE(commands().showRenameSheet());
    RenamePatternSheet* sheet = commands().renameSheet();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    EXPECT_EQ(sheet->findChild<QLabel*>(u"prompt"_s)->text(), u"Choose naming pattern for 12 files:"_s);
    ASSERT_EQ(sheet->patternButtons().size(), 3);
    EXPECT_EQ(sheet->patternButtons().at(1)->text(), u"Artist - Title (Year)"_s);
    EXPECT_EQ(sheet->patternButtons().at(1)->example(), u"ABBA - Dancing Queen (1976).mp3"_s);

    // Cancel closes the sheet and renames nothing.
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(commands().showRenameSheet());
    EXPECT_FALSE(commands().isRunning());
    EXPECT_EQ(fileNames().filter(u"Artist 01 - Title.wav"_s).size(), 1);

    model().applyChange(false, [](MusicFolder& folder) { folder.songs.first().bpm = 128; });
    press(SidebarView::Action::renameOriginal);
    sheet = commands().renameSheet();
    ASSERT_TRUE(sheet);
    QTest::mouseClick(sheet->patternButtons().at(2), Qt::LeftButton);
    EXPECT_FALSE(commands().showRenameSheet());
    waitForCommand();
    const QStringList names = fileNames();
    EXPECT_EQ(names.size(), 12);
    EXPECT_EQ(names.filter(u"[128 BPM] Artist "_s).size(), 1);
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
