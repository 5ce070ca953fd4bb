// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that reach files and the network from the running window: covers picked, dropped,
// written into real files and read back; renaming and BPM from the sidebar;
// the network switch and the header look-ups it guards.
#include "UiFixtures.h"
#include "audio/BPMAnalyzer.h"
#include "model/Columns.h"
#include "online/NetworkModeManager.h"
#include "support/ClickTracks.h"
#include "support/TagReadBack.h"
#include "ui/BulkEditControls.h"
#include "ui/CoverCommands.h"
#include "ui/CoverConfirmationOverlay.h"
#include "ui/CoverPickerDialog.h"
#include "ui/FileNameCommands.h"
#include "ui/HeaderBar.h"
#include "ui/KeyboardCommands.h"
#include "ui/NetworkModeButton.h"
#include "ui/PatternPreview.h"
#include "ui/RenamePatternSheet.h"
#include "ui/TagsFromNamesSheet.h"
#include "ui/ThumbnailCache.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThreadPool>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

namespace {

class CoverWindow : public WindowTest {
protected:
    CoverCommands& covers() { return *window->coverCommands(); }
    CoverPickerDialog* openPicker() {
        press(SidebarView::Action::setCover);
        return qobject_cast<CoverPickerDialog*>(window->openSheet());
    }
    // Drops the file on the picker and waits for its verdict.
    void dropOnPicker(CoverPickerDialog* picker, const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QPointer<CoverPickerDialog> guard(picker);
        const QString before = picker->errorMessage();
        ASSERT_TRUE(dragAndDrop(picker->dropArea(), picker->dropArea()->rect().center(), data));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return covers().showCoverConfirmation() || (guard && guard->errorMessage() != before); }));
    }
    const Song& song(int row) { return model().currentFolder()->songs.at(row); }
};

TEST_F(CoverWindow, APickedCoverIsConfirmedWrittenAndReadBackAndCancelChangesNothing) {
    ScratchDir music;
    music.write(u"One.wav"_s, wavFile());
    music.write(u"Two.wav"_s, wavFile());
    ASSERT_TRUE(waitFor(model().loadFolder(QUrl::fromLocalFile(music.path())), 60000));
    CoverPickerDialog* picker = openPicker();
    QTest::mouseClick(picker->closeButton(), Qt::LeftButton); // the close button changes nothing
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->openSheet(); }));
    EXPECT_FALSE(model().activeSheet());

    ScratchDir images;
    picker = openPicker();
    dropOnPicker(picker, images.write(u"cover.gif"_s, imageBytes(Qt::red, 50, 50, "PNG")));
    EXPECT_EQ(picker->errorMessage(), u"Please use PNG or JPEG images only"_s);
    dropOnPicker(picker, images.write(u"c.jpg"_s, imageBytes(Qt::blue, 40, 40, "JPEG")));
    ASSERT_TRUE(covers().showCoverConfirmation());
    QTest::mouseClick(covers().overlay()->cancelButton(), Qt::LeftButton); // so does Cancel
    EXPECT_FALSE(covers().showCoverConfirmation());
    EXPECT_FALSE(song(0).coverImagePath);

    picker = openPicker();
    dropOnPicker(picker, images.write(u"Cover.PNG"_s, imageBytes(QColor(200, 40, 40), 600, 600, "PNG")));
    ASSERT_TRUE(covers().showCoverConfirmation());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->openSheet(); })); // the sheet closed
    EXPECT_FALSE(model().activeSheet());
    CoverConfirmationOverlay* overlay = covers().overlay();
    ASSERT_TRUE(overlay->isVisible());
    QTest::mouseClick(overlay->confirmButton(), Qt::LeftButton);
    EXPECT_FALSE(overlay->isVisible());
    ASSERT_TRUE(waitFor(covers().lastCommand()));
    ASSERT_TRUE(song(0).coverImagePath && song(1).coverImagePath);
    QSignalSpy thumbnails(&table().thumbnails(), &ThumbnailCache::thumbnailReady);
    window->grab(); // paints the cells, which ask for their thumbnails
    EXPECT_TRUE(QTest::qWaitFor([&] { return thumbnails.count() > 0; }));

    QSignalSpy finished(window.get(), &MainWindow::tagWritingFinished);
    press(SidebarView::Action::writeTags);
    EXPECT_TRUE(window->isWritingTags());
    press(SidebarView::Action::writeTags); // ignored while the batch runs
    ASSERT_TRUE(finished.wait(60000));
    QThreadPool::globalInstance()->waitForDone(); // a second batch started by mistake reports by now
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
    for (const QString& name : {u"One.wav"_s, u"Two.wav"_s}) {
        EXPECT_EQ(openId3(music.filePath(name)).frames("APIC").size(), 1u) << name.toStdString();
    }
}

TEST_F(CoverWindow, CoverCellsTakeDroppedPicturesAndOfferToClearThem) {
    load({makeSong(u"A"_s), makeSong(u"B"_s), makeSong(u"C"_s), makeSong(u"D"_s), makeSong(u"E"_s),
          makeSong(u"F"_s)});
    ScratchDir images;
    const QString existing = images.write(u"own.jpg"_s, imageBytes(Qt::yellow, 30, 30, "JPEG"));
    model().setSelectedSongIds({song(0).id, song(1).id, song(2).id, song(3).id});

    // Image data dropped on a selected row: all four selected songs.
    QMimeData imageData;
    imageData.setImageData(QImage::fromData(imageBytes(Qt::green, 80, 60, "PNG")));
    bool outlined = false;
    ASSERT_TRUE(dragAndDrop(table().viewport(), cellCenter(2, column::cover), imageData,
                            [&] { outlined = table().coverDropRow() == 2; }));
    EXPECT_TRUE(outlined); // the blue outline while the drag is over the cell
    EXPECT_EQ(table().coverDropRow(), -1);
    ASSERT_TRUE(waitFor(covers().lastCommand()));
    const std::optional<QString> dropped = song(0).coverImagePath;
    ASSERT_TRUE(dropped);
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(song(row).coverImagePath, dropped) << row;
    }
    // A file dropped on an unselected row: that row only. Only the cover cell takes a drop.
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(existing)});
    ASSERT_TRUE(dragAndDrop(table().viewport(), cellCenter(5, column::cover), file));
    ASSERT_TRUE(waitFor(covers().lastCommand()));
    const std::optional<QString> own = song(5).coverImagePath;
    EXPECT_TRUE(own.has_value() && own != dropped);
    EXPECT_FALSE(song(4).coverImagePath.has_value());
    EXPECT_FALSE(dragAndDrop(table().viewport(), cellCenter(4, column::title), file));

    // The cell's menu clears its own cover, or the selection's; the header's clears all in one step.
    EXPECT_EQ(menuTexts(*table().coverMenu(4)), QStringList{}); // no cover, not selected
    EXPECT_EQ(menuTexts(*table().coverMenu(5)), QStringList{u"Clear Cover"_s});
    EXPECT_EQ(menuTexts(*table().coverMenu(2)), QStringList{u"Clear Covers from 4 Selected Songs"_s});
    table().coverMenu(2)->actions().at(0)->trigger();
    EXPECT_FALSE(song(0).coverImagePath);
    table().coverMenu(5)->actions().at(0)->trigger();
    EXPECT_FALSE(song(5).coverImagePath);
    model().undo();
    model().undo();
    menuEntry(*table().headerMenu(u"cover"), u"Clear All Covers"_s)->trigger();
    EXPECT_FALSE(song(3).coverImagePath || song(5).coverImagePath);
}

TEST_F(CoverWindow, CleanClosesTheFolderAndAFolderDroppedMeanwhileLoadsAfterIt) {
    load({makeSong(u"Old"_s)});
    ScratchDir music;
    music.write(u"New.wav"_s, wavFile());
    QStringList events;
    QObject::connect(&toasts, &ToastManager::messageChanged, [&] { events.append(toasts.message()); });
    QObject::connect(&model(), &ContentViewModel::currentFolderChanged, [&] {
        if (model().currentFolder()) {
            events.append(u"loaded"_s);
        }
    });
    int playerResets = 0;
    window->setPlayerReset([&] { ++playerResets; });
    press(SidebarView::Action::clean);
    EXPECT_FALSE(window->isShowingTable());
    EXPECT_EQ(playerResets, 1);
    window->openFolders({QUrl::fromLocalFile(music.path())});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isShowingTable(); }, 60000));
    const qsizetype cleaned = events.indexOf(u"🧹 Application cleaned and reset"_s);
    ASSERT_GE(cleaned, 0);
    EXPECT_LT(cleaned, events.indexOf(u"loaded"_s));
}

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
    EXPECT_EQ(sheet->patternButtons().at(1)->example(), u"ABBA - Dancing Queen (1976).mp3"_s);
    QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton); // closes the sheet and renames nothing
    EXPECT_FALSE(commands().showRenameSheet() || commands().isRunning());

    model().applyChange(false, [](MusicFolder& folder) { folder.songs.first().bpm = 128; });
    press(SidebarView::Action::renameOriginal);
    sheet = commands().renameSheet();
    QTest::mouseClick(sheet->patternButtons().at(2), Qt::LeftButton);
    EXPECT_FALSE(commands().showRenameSheet());
    waitForCommand();
    EXPECT_EQ(fileNames().filter(u"[128 BPM] Artist "_s).size(), 1);

    // A written pattern: the preview marks the songs it would skip, and Return in its field renames.
    model().applyChange(false, [](MusicFolder& folder) { folder.songs.first().track = {7, 0}; });
    press(SidebarView::Action::renameOriginal);
    sheet = commands().renameSheet();
    ASSERT_TRUE(hasKeyboard(sheet));
    sheet->customField()->lineEdit()->setFocus();
    typeKeys(u"%track% %artist%"_s);
    EXPECT_EQ(sheet->customPreview()->rowCount(), 12);
    EXPECT_EQ(sheet->customMessage()->text(), u"1 of 12 files get a new name; the others are skipped."_s);
    typeKeys(u"\n"_s);
    waitForCommand();
    EXPECT_EQ(fileNames().filter(QRegularExpression(u"^07 "_s)).size(), 1);
}

// "Tags from File Names…" in the F10 menu: the sheet opens with the keyboard in its pattern, previews the
// songs with a name that does not match marked, and Return applies in one undo step.
TEST_F(FileNameWindow, TagsFromFileNamesPreviewsAndAppliesInOneUndoStep) {
    dir.write(u"Björk/Homogenic (1997)/03. Jóga.wav"_s, wavFile());
    dir.write(u"Björk/Homogenic (1997)/Bonus.wav"_s, wavFile());
    loadFolder();
    menuEntry(*window->keyboardCommands()->menu(), u"Tags from File Names…"_s)->trigger();
    TagsFromNamesSheet* sheet = window->bulkEditing()->tagsFromNamesSheet();
    ASSERT_TRUE(sheet && hasKeyboard(sheet));
    EXPECT_TRUE(sheet->patternField()->hasFocus() || sheet->patternField()->lineEdit()->hasFocus());
    const QString pattern = u"%artist%/%album% (%year%)/%track%. %title%"_s;
    typeKeys(pattern);
    const QList<PatternPreviewModel::Row>& rows = sheet->previewModel()->rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows.at(0).cells, (QStringList{u"Björk/Homogenic (1997)/03. Jóga.wav"_s, u"Björk"_s,
                                             u"Homogenic"_s, u"1997"_s, u"3"_s, u"Jóga"_s}));
    EXPECT_TRUE(rows.at(1).marked && !rows.at(0).marked);
    EXPECT_EQ(sheet->message()->text(), u"1 of 2 songs match."_s);
    typeKeys(u"\n"_s);
    const auto albums = [&] {
        QStringList values;
        for (const Song& song : model().currentFolder()->songs) {
            values.append(song.album + u'|' + song.name + u'|' + QString::number(song.year));
        }
        return values;
    };
    EXPECT_EQ(albums(), (QStringList{u"Homogenic|Jóga|1997"_s, u"|Bonus|0"_s}));
    EXPECT_EQ(recentPatterns::load(recentPatterns::Kind::tagsFromNames).value(0), pattern);
    window->undo();
    EXPECT_EQ(albums(), (QStringList{u"|03. Jóga|0"_s, u"|Bonus|0"_s}));
}

TEST_F(FileNameWindow, SearchAndCleanBpmButtonsReachTheTableAndTheDisk) {
    BPMAnalyzer::clearBPMCache();
    dir.write(u"[99 BPM] Click.wav"_s, clickTrackWav(120, 12));
    loadFolder();
    press(SidebarView::Action::searchBpm);
    waitForCommand();
    EXPECT_EQ(model().visibleSongs().first().bpm, 120);
    EXPECT_EQ(toasts.message(), u"✅ BPM analyzed for 1 songs!"_s);

    press(SidebarView::Action::cleanBpm);
    waitForCommand();
    EXPECT_EQ(fileNames(), QStringList{u"Click.wav"_s});
    EXPECT_EQ(model().visibleSongs().first().url.fileName(), u"Click.wav"_s);
    BPMAnalyzer::clearBPMCache();
}

using OnlineWindowTest = WindowTest;

TEST_F(OnlineWindowTest, SwitchShowsAndFlipsTheModeAndOfflineEntriesOnlyWarn) {
    NetworkModeManager::instance().setOnlineMode(true);
    auto* button = window->headerBar()->findChild<NetworkModeButton*>();
    EXPECT_EQ(button->toolTip(), u"Online Mode - Click to disable"_s);
    button->click();
    EXPECT_FALSE(NetworkModeManager::instance().isOnlineMode());
    EXPECT_EQ((QStringList{button->symbolName(), button->toolTip()}),
              (QStringList{u"wifi.slash"_s, u"Offline Mode - Click to enable"_s}));
    // The look-up entries head the menus, above the editing entries.
    EXPECT_EQ(
        menuTexts(*table().headerMenu(u"year")),
        (QStringList{u"Auto-Search All Years"_s, u"---"_s, u"Replace All Years"_s, u"Clear All Years"_s}));
    for (const auto& [columnId, title] : {std::pair{u"cover"_s, u"Auto-Search All Covers"_s},
                                          std::pair{u"genre"_s, u"Auto-Search All Genres"_s},
                                          std::pair{u"year"_s, u"Auto-Search All Years"_s}}) {
        SCOPED_TRACE(columnId.toStdString());
        toasts.show(u"-"_s, ToastManager::ToastType::info);
        menuEntry(*table().headerMenu(columnId), title)->trigger();
        EXPECT_EQ(toasts.message(), u"⚠️ Online Mode is disabled. Enable it from the top-left button."_s);
    }

    button->click(); // the toasts of the switch are the mode manager's (tests/online)
    EXPECT_TRUE(NetworkModeManager::instance().isOnlineMode());
}

} // namespace
