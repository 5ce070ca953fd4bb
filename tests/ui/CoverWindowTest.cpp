// Covers in the running window: the picker sheet behind "Set Cover", the confirmation overlay, writing
// the picked cover into real files and reading it back, pictures dropped on cover cells, and the cover
// cell's menu.
#include "UiFixtures.h"
#include "model/Columns.h"
#include "support/TagReadBack.h"
#include "ui/CoverCommands.h"
#include "ui/CoverConfirmationOverlay.h"
#include "ui/CoverPickerDialog.h"
#include "ui/ThumbnailCache.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>
#include <QToolButton>

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
    QUuid idAt(int row) { return song(row).id; }
};

TEST_F(CoverWindow, APickedCoverIsConfirmedWrittenAndReadBackAndCancelChangesNothing) {
    ScratchDir music;
    music.write(u"One.wav"_s, wavFile());
    music.write(u"Two.wav"_s, wavFile());
    ASSERT_TRUE(waitFor(model().loadFolder(QUrl::fromLocalFile(music.path())), 60000));
    ASSERT_TRUE(window->isShowingTable());

    CoverPickerDialog* picker = openPicker();
    ASSERT_TRUE(picker);
    QTest::mouseClick(picker->closeButton(), Qt::LeftButton); // the close button changes nothing
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->openSheet(); }));
    EXPECT_FALSE(model().activeSheet());

    ScratchDir images;
    picker = openPicker();
    ASSERT_TRUE(picker);
    dropOnPicker(picker, images.write(u"cover.gif"_s, imageBytes(Qt::red, 50, 50, "PNG")));
    EXPECT_EQ(picker->errorMessage(), u"Please use PNG or JPEG images only"_s);
    EXPECT_FALSE(covers().showCoverConfirmation());
    dropOnPicker(picker, images.write(u"c.jpg"_s, imageBytes(Qt::blue, 40, 40, "JPEG")));
    ASSERT_TRUE(covers().showCoverConfirmation());
    QTest::mouseClick(covers().overlay()->cancelButton(), Qt::LeftButton); // so does Cancel
    EXPECT_FALSE(covers().showCoverConfirmation());
    EXPECT_FALSE(covers().selectedCoverImage());
    EXPECT_FALSE(song(0).coverImagePath);
    EXPECT_FALSE(model().historyManager().canUndo());

    picker = openPicker();
    ASSERT_TRUE(picker);
    dropOnPicker(picker, images.write(u"Cover.PNG"_s, imageBytes(QColor(200, 40, 40), 600, 600, "PNG")));
    ASSERT_TRUE(covers().showCoverConfirmation());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->openSheet(); })); // the sheet closed
    EXPECT_FALSE(model().activeSheet());
    CoverConfirmationOverlay* overlay = covers().overlay();
    ASSERT_TRUE(overlay->isVisible());
    EXPECT_EQ(covers().selectedCoverImage()->size(), QSize(600, 600));

    QTest::mouseClick(overlay->confirmButton(), Qt::LeftButton);
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_FALSE(covers().selectedCoverImage());
    ASSERT_TRUE(waitFor(covers().lastCommand()));
    EXPECT_EQ(toasts.message(), u"✅ Cover applied to 2 songs"_s);
    ASSERT_TRUE(song(0).coverImagePath);
    QSignalSpy thumbnails(&table().thumbnails(), &ThumbnailCache::thumbnailReady);
    window->grab(); // paints the cells, which ask for their thumbnails
    EXPECT_TRUE(QTest::qWaitFor([&] { return thumbnails.count() > 0; }));

    QSignalSpy finished(window.get(), &MainWindow::tagWritingFinished);
    press(SidebarView::Action::writeTags);
    EXPECT_TRUE(window->isWritingTags());
    press(SidebarView::Action::writeTags); // ignored while the batch runs
    ASSERT_TRUE(finished.wait(60000));
    // A second batch started by mistake would have reported by now.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(window->isWritingTags());
    for (const QString& name : {u"One.wav"_s, u"Two.wav"_s}) {
        SCOPED_TRACE(name.toStdString());
        const Id3File read = openId3(music.filePath(name));
        ASSERT_TRUE(read.tag);
        const auto pictures = read.frames("APIC");
        ASSERT_EQ(pictures.size(), 1u);
        const auto* front = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(pictures.front());
        ASSERT_TRUE(front);
        const QImage cover = QImage::fromData(qb(front->picture()));
        EXPECT_EQ(cover.size(), QSize(300, 300));
        EXPECT_GT(qRed(cover.pixel(150, 20)), 150); // the picked red, not some other picture
    }
    // A reload reads the cover from the files again.
    ASSERT_TRUE(waitFor(model().loadFolder(QUrl::fromLocalFile(music.path())), 60000));
    EXPECT_TRUE(song(0).coverImagePath.has_value());
    EXPECT_TRUE(song(1).coverImagePath.has_value());
}

TEST_F(CoverWindow, ADropOnACoverCellGoesToTheSelectionOrToThatRowOnly) {
    load({makeSong(u"A"_s), makeSong(u"B"_s), makeSong(u"C"_s), makeSong(u"D"_s), makeSong(u"E"_s),
          makeSong(u"F"_s)});
    ScratchDir images;
    const QString existing = images.write(u"own.jpg"_s, imageBytes(Qt::yellow, 30, 30, "JPEG"));
    model().applyChange(false, [&](MusicFolder& folder) { folder.songs[1].coverImagePath = existing; });
    model().setSelectedSongIds({idAt(0), idAt(1), idAt(2), idAt(3)});

    // Image data dropped on a selected row: all four selected songs, the existing cover replaced too.
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

    // A file dropped on an unselected row: that row only.
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(existing)});
    ASSERT_TRUE(dragAndDrop(table().viewport(), cellCenter(5, column::cover), file));
    ASSERT_TRUE(waitFor(covers().lastCommand()));
    EXPECT_TRUE(song(5).coverImagePath.has_value());
    EXPECT_NE(song(5).coverImagePath, dropped);
    EXPECT_FALSE(song(4).coverImagePath.has_value());
    EXPECT_EQ(song(3).coverImagePath, dropped);

    // Only the cover cell takes a drop.
    EXPECT_FALSE(dragAndDrop(table().viewport(), cellCenter(4, column::title), file));
}

TEST_F(CoverWindow, TheCoverCellMenuOffersWhatItsRowAllows) {
    load({makeSong(u"A"_s), makeSong(u"B"_s), makeSong(u"C"_s)});
    ScratchDir images;
    const QString existing = images.write(u"own.jpg"_s, imageBytes(Qt::yellow, 30, 30, "JPEG"));
    model().applyChange(false, [&](MusicFolder& folder) {
        folder.songs[0].coverImagePath = existing;
        folder.songs[1].coverImagePath = existing;
    });
    auto entries = [&](int row) { return menuTexts(*table().coverMenu(row)); };
    EXPECT_EQ(entries(0), QStringList{u"Clear Cover"_s});
    EXPECT_EQ(entries(2), QStringList{}); // no cover, nothing selected
    model().setSelectedSongIds({idAt(1), idAt(2)});
    EXPECT_EQ(entries(2), QStringList{u"Clear Covers from 2 Selected Songs"_s});
    EXPECT_EQ(entries(0), QStringList{u"Clear Cover"_s}); // not among the selection

    table().coverMenu(2)->actions().at(0)->trigger();
    EXPECT_FALSE(song(1).coverImagePath);
    table().coverMenu(0)->actions().at(0)->trigger();
    EXPECT_FALSE(song(0).coverImagePath);
    model().undo();
    model().undo();
    ASSERT_EQ(song(0).coverImagePath, existing);

    // The cover column's header menu clears every cover in one undo step.
    menuEntry(*table().headerMenu(u"cover"), u"Clear All Covers"_s)->trigger();
    EXPECT_FALSE(song(0).coverImagePath);
    EXPECT_FALSE(song(1).coverImagePath);
    model().undo();
    EXPECT_EQ(song(0).coverImagePath, existing);
    EXPECT_EQ(song(1).coverImagePath, existing);
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
    EXPECT_FALSE(model().historyManager().canUndo());
    window->openFolders({QUrl::fromLocalFile(music.path())});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isShowingTable(); }, 60000));
    const qsizetype cleaned = events.indexOf(u"🧹 Application cleaned and reset"_s);
    ASSERT_GE(cleaned, 0);
    EXPECT_LT(cleaned, events.indexOf(u"loaded"_s));
    EXPECT_EQ(model().visibleSongs().at(0).name, u"New"_s);
}

} // namespace
