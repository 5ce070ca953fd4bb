#include "AudioFixtures.h"
#include "app/ContentViewModel.h"
#include "app/FolderScanner.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/TestSupport.h"
#include "tags/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

QStringList capturedWarnings;
void captureWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg) {
        capturedWarnings.append(message);
    }
}

QStringList relativePaths(const QStringList& files, const QString& root) {
    QStringList relative;
    for (const QString& file : files) {
        relative.append(QDir(root).relativeFilePath(file));
    }
    relative.sort();
    return relative;
}

TEST(FolderScanning, KeepsSupportedFilesAtAnyDepthAndSkipsHiddenLinkedAndBroken) {
    const ScratchDir dir;
    for (const QString& name :
         {u"a.mp3"_s, u"b.MP3"_s, u"notes.txt"_s, u"sub/c.wav"_s, u"sub/deeper/d.flac"_s, u"sub/e.Aif"_s,
          u".hidden.mp3"_s, u".hiddendir/f.mp3"_s, u"folder.m4a/g.m4a"_s}) {
        dir.write(name, "x");
    }
    // A link back up the tree must not make the walk loop, and a dangling link is reported.
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(u"sub/loop"_s)));
    ASSERT_TRUE(QFile::link(dir.filePath(u"absent.mp3"_s), dir.filePath(u"dangling.mp3"_s)));
    // Our own temporary files are swept when old, and never listed.
    const QString stale = dir.write(u"sub/"_s + QLatin1String(atomicfile::kTempPrefix) + u"old"_s, "t");
    const QString fresh = dir.write(u"sub/"_s + QLatin1String(atomicfile::kTempPrefix) + u"new.mp3"_s, "t");
    const utimbuf longAgo{1'000'000'000, 1'000'000'000};
    ASSERT_EQ(::utime(QFile::encodeName(stale).constData(), &longAgo), 0);

    capturedWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
    const FolderScan scan = scanFolder(dir.path());
    qInstallMessageHandler(previous);

    ASSERT_TRUE(scan.ok());
    EXPECT_EQ(relativePaths(scan.files, dir.path()),
              (QStringList{u"a.mp3"_s, u"b.MP3"_s, u"folder.m4a/g.m4a"_s, u"sub/c.wav"_s,
                           u"sub/deeper/d.flac"_s, u"sub/e.Aif"_s}));
    ASSERT_EQ(capturedWarnings.size(), 1);
    EXPECT_TRUE(
        capturedWarnings.first().startsWith(u"Error checking file: "_s + dir.filePath(u"dangling.mp3"_s)));
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(fresh));

    EXPECT_FALSE(scanFolder(dir.filePath(u"absent"_s)).ok());
}

class FolderLoading : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings settings;
        settings.remove(ContentViewModel::preferredSortColumnKey);
        settings.remove(ContentViewModel::preferredSortAscendingKey);
        model = std::make_unique<ContentViewModel>();
        overlayMessages.clear();
        QObject::connect(&ProgressManager::instance(), &ProgressManager::isVisibleChanged, model.get(),
                         [this] {
                             if (ProgressManager::instance().isVisible()) {
                                 overlayMessages.append(ProgressManager::instance().message());
                             }
                         });
    }

    // Writes `count` files named song-0000.mp3, ... (tiny files load fine: the name is enough).
    static void writeSongs(const ScratchDir& dir, int count, int first = 0) {
        for (int i = first; i < first + count; ++i) {
            ASSERT_TRUE(writeAll(dir.filePath(u"song-%1.mp3"_s.arg(i, 4, 10, QLatin1Char('0'))), "x"));
        }
    }

    void load(const QString& path) {
        model->setShowExportAlert(false);
        ASSERT_TRUE(waitFor(model->loadFolder(QUrl::fromLocalFile(path)), 120000));
        // Let the overlay's posted updates arrive.
        QCoreApplication::processEvents();
        EXPECT_FALSE(model->isLoading());
    }

    int loadedCount() const {
        return model->currentFolder() ? int(model->currentFolder()->songs.size()) : -1;
    }

    std::unique_ptr<ContentViewModel> model;
    QStringList overlayMessages;
};

TEST_F(FolderLoading, OverlayFromTwentyOneFiles) {
    for (const int count : {20, 21}) {
        SCOPED_TRACE(count);
        const ScratchDir dir;
        writeSongs(dir, count);
        overlayMessages.clear();
        load(dir.path());
        EXPECT_FALSE(model->showExportAlert());
        EXPECT_EQ(loadedCount(), count);
        EXPECT_EQ(model->totalSongs(), count);
        EXPECT_EQ(model->visibleSongs().size(), count);
        EXPECT_EQ(overlayMessages, count > 20 ? QStringList{u"Processing 21 songs..."_s} : QStringList());
        EXPECT_FALSE(ProgressManager::instance().isVisible());
        for (const Song& song : model->currentFolder()->songs) {
            EXPECT_TRUE(song.isMetadataLoaded);
        }
    }
}

TEST_F(FolderLoading, LoadsAThousandFilesAndRefusesOneMore) {
    const ScratchDir dir;
    writeSongs(dir, 1000);
    load(dir.path());
    EXPECT_FALSE(model->showExportAlert());
    EXPECT_EQ(loadedCount(), 1000);
    EXPECT_EQ(model->currentFolder()->name, QFileInfo(dir.path()).fileName());

    writeSongs(dir, 1, 1000);
    load(dir.path());
    EXPECT_TRUE(model->showExportAlert());
    EXPECT_EQ(model->exportAlertMessage(),
              u"⚠️ Too many songs detected!\n\nFound: 1001 songs\nMaximum allowed: 1000 songs\n\nPlease "
              u"select a "
              "smaller folder or organize your music in subfolders with less than 1000 songs each."_s);
    // The previous folder was put away when the load began.
    EXPECT_FALSE(model->currentFolder());
    EXPECT_TRUE(model->visibleSongs().isEmpty());
}

TEST_F(FolderLoading, AFolderWithoutMusicIsRefused) {
    const ScratchDir music;
    writeSongs(music, 2);
    load(music.path());
    ASSERT_EQ(loadedCount(), 2);

    const ScratchDir empty;
    empty.write(u"cover.jpg"_s, "x");
    empty.write(u".secret.mp3"_s, "x");
    load(empty.path());
    EXPECT_TRUE(model->showExportAlert());
    EXPECT_EQ(model->exportAlertMessage(),
              u"No music files found!\n\nPlease make sure the folder contains music files with supported "
              "extensions:\nMP3, WAV, M4A, FLAC, AIFF, AIF"_s);
    EXPECT_FALSE(model->currentFolder());
}

TEST_F(FolderLoading, UnreadableFilesAreLeftOutWithAWarningOrRefusedWhenNoneIsLeft) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind root";
    }
    const ScratchDir dir;
    writeSongs(dir, 2);
    const QString locked = dir.filePath(u"song-0001.mp3"_s);
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    load(dir.path());
    EXPECT_EQ(loadedCount(), 1);
    EXPECT_EQ(ToastManager::instance().message(),
              u"⚠️ Loaded 1 of 2 songs. Some files could not be read."_s);
    EXPECT_EQ(ToastManager::instance().type(), ToastManager::ToastType::warning);

    ASSERT_TRUE(QFile::setPermissions(dir.filePath(u"song-0000.mp3"_s), QFileDevice::Permissions()));
    load(dir.path());
    EXPECT_EQ(
        model->exportAlertMessage(),
        u"Error processing music files!\n\nCould not read metadata from any of the 2 files found.\nThe files "
        "might be corrupted or in an unsupported format."_s);
    EXPECT_FALSE(model->currentFolder());
}

TEST_F(FolderLoading, TheStoredSortIsAppliedToTheLoadedSongs) {
    model->sortBy(u"title");
    model->sortBy(u"title"); // descending
    const ScratchDir dir;
    for (const QString& name : {u"b.mp3"_s, u"c.mp3"_s, u"a.mp3"_s}) {
        dir.write(name, audio::mp3Audio());
    }
    load(dir.path());
    QStringList names;
    for (const Song& song : model->visibleSongs()) {
        names.append(song.name);
    }
    EXPECT_EQ(names, (QStringList{u"c"_s, u"b"_s, u"a"_s}));
}

TEST_F(FolderLoading, SeveralDropsLoadOneAfterTheOtherInOrder) {
    const ScratchDir first;
    const ScratchDir second;
    writeSongs(first, 30);
    writeSongs(second, 3);
    QStringList loadedNames;
    QObject::connect(model.get(), &ContentViewModel::currentFolderChanged, model.get(), [&] {
        if (model->currentFolder()) {
            loadedNames.append(model->currentFolder()->path.toLocalFile());
        }
    });
    QFuture<void> firstLoad = model->loadFolder(QUrl::fromLocalFile(first.path()));
    QFuture<void> secondLoad = model->loadFolder(QUrl::fromLocalFile(second.path()));
    bool secondEndedFirst = false;
    secondLoad.then(QtFuture::Launch::Sync, [&] { secondEndedFirst = !firstLoad.isFinished(); });
    ASSERT_TRUE(waitFor(secondLoad, 60000));
    EXPECT_TRUE(firstLoad.isFinished());
    EXPECT_FALSE(secondEndedFirst);
    EXPECT_EQ(loadedNames, (QStringList{first.path(), second.path()}));
    EXPECT_EQ(loadedCount(), 3);
    EXPECT_FALSE(model->isLoading());
}

TEST_F(FolderLoading, ReloadReadsTheCurrentFolderAgainSilently) {
    // Without a folder there is nothing to reload.
    ASSERT_TRUE(waitFor(model->reloadFolder()));
    EXPECT_FALSE(model->currentFolder());

    const ScratchDir dir;
    dir.write(u"Old Name.mp3"_s, audio::mp3Audio());
    load(dir.path());
    const QUuid firstId = model->currentFolder()->id;
    ASSERT_TRUE(QFile::rename(dir.filePath(u"Old Name.mp3"_s), dir.filePath(u"Artist - New Name.mp3"_s)));
    model->setShowExportAlert(false);
    ASSERT_TRUE(waitFor(model->reloadFolder()));
    ASSERT_EQ(loadedCount(), 1);
    EXPECT_NE(model->currentFolder()->id, firstId);
    EXPECT_EQ(model->visibleSongs().first().name, u"New Name"_s);
    EXPECT_EQ(model->visibleSongs().first().artist, u"Artist"_s);
    EXPECT_FALSE(model->showExportAlert());
}

} // namespace
