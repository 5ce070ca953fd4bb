// SPDX-License-Identifier: GPL-3.0-or-later
// Launch, exit and "Clean": which leftover files go from the folders we own (and that nothing outside
// them is touched), which preferences a reset keeps, and what "Clean" does to the window's state. Several
// processes of ours at once: the registry that keeps the launch clean-up away from files another process
// still uses, and the one window that takes the folders of later launches.
#include "app/AppLifecycle.h"

#include "app/ContentViewModel.h"
#include "app/Instances.h"
#include "covers/CleanupManager.h"
#include "covers/ImageProcessor.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "support/AudioFiles.h"
#include "support/Songs.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>
#include <tuple>
#include <unistd.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

TEST(Cleanup, NamePredicates) {
    const std::tuple<QString, bool, bool> rows[] = {
        {u"AutoCover_123.jpg"_s, true, true},  {u"Quirella_Cover_45.jpg"_s, true, true},
        {u"WAV_Cover_1.jpg"_s, true, true},    {u"Cover_1.jpg"_s, true, true},
        {u"Temp_Cover_2.png"_s, true, true},   {u"album_cover_1.png"_s, true, true},
        {u"x_quirella_temp_1"_s, true, false}, {u"Quirella_M4A_x.m4a"_s, true, false},
        {u"temp_download.bin"_s, false, true}, {u"mycover.jpeg"_s, false, true},
        {u"covers.txt"_s, false, false},       {u"notes.txt"_s, false, false},
        {u"process-12.lock"_s, false, false},
    };
    for (const auto& [name, temporary, cached] : rows) {
        EXPECT_EQ(CleanupManager::isTemporaryCoverFile(name), temporary) << name.toStdString();
        EXPECT_EQ(CleanupManager::isCachedCoverFile(name), cached) << name.toStdString();
    }
}

TEST(Cleanup, LaunchRemovesOurLeftoversFromOurFoldersOnly) {
    const QString temp = paths::privateTempDir();
    // The test process has a system temporary folder of its own, so the shared one is simulated safely.
    ASSERT_TRUE(temp.startsWith(QDir::tempPath()));
    const QString cache = paths::cacheDir();
    const std::pair<QString, bool> files[] = {
        {temp + u"/AutoCover_123.jpg"_s, false},
        {temp + u"/Quirella_M4A_x.m4a"_s, false},
        {temp + u"/notes.txt"_s, true},
        {cache + u"/cache.db"_s, true},
        {cache + u"/cache.db-wal"_s, true},
        {cache + u"/fsCachedData/cover_2.jpg"_s, true},
        {cache + u"/.hidden/cover_3.jpg"_s, true},
        {cache + u"/cover_1.jpg"_s, false},
        {cache + u"/deep/AutoCover_4.jpg"_s, false},
    };
    for (const auto& [path, stays] : files) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        ASSERT_TRUE(test::writeAll(path, "bytes"));
    }
    ASSERT_TRUE(QDir(temp).mkpath(u"Cover_7.jpg"_s)); // a folder is never removed
    const QString shared = QDir::tempPath() + u"/Cover_8.jpg"_s;
    ASSERT_TRUE(test::writeAll(shared, "someone else's"));
    // A link named like ours goes, but never what it points at.
    ASSERT_TRUE(QFile::link(shared, temp + u"/Cover_9.jpg"_s));
    ASSERT_TRUE(ImageProcessor::processImage(test::imageBytes(Qt::red), 10, 10));
    ASSERT_GT(ImageProcessor::cacheSize(), 0);
    lifecycle::runStartup();

    for (const auto& [path, stays] : files) {
        EXPECT_EQ(QFileInfo::exists(path), stays) << path.toStdString();
    }
    EXPECT_FALSE(QFileInfo(temp + u"/Cover_9.jpg"_s).isSymLink());
    EXPECT_TRUE(QFileInfo(temp + u"/Cover_7.jpg"_s).isDir());
    EXPECT_EQ(test::readAll(shared), QByteArray("someone else's"));
    EXPECT_EQ(ImageProcessor::cacheSize(), 0);
    lifecycle::runExit();
}

TEST(Cleanup, WorkingCopiesAreMatchedExactly) {
    test::ScratchDir dir;
    dir.write(u"Quirella_M4A_x.m4a"_s, "a");
    dir.write(u"quirella_m4a_y.m4a"_s, "b");
    EXPECT_EQ(CleanupManager::removeTemporaryM4AFiles(dir.path()), 1);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"quirella_m4a_y.m4a"_s)));
    EXPECT_EQ(CleanupManager::cleanTemporaryDirectory(dir.path()), 1); // its lower-case rule sees it
}

// "Clean" keeps eighteen preference keys and those of the system.
TEST(Cleanup, CleanEmptiesTheWindowStateKeepsEighteenKeysAndToastsAfterAFewTenthsOfASecond) {
    // Set before the model starts: it stores its sort preferences on a worker of its own.
    const QStringList kept =
        CleanupManager::keptPreferenceKeys() + QStringList{u"NSWindowFrame"_s, u"AppleLanguages"_s};
    EXPECT_EQ(kept.size(), 20);
    const QStringList removed{u"customWallpaper"_s, u"LastFolder"_s, u"window/geometry"_s, u"SearchText11"_s};
    for (const QString& key : kept + removed) {
        QSettings().setValue(key, 1);
    }
    ProgressManager progress;
    ToastManager toasts;
    ContentViewModel model;
    model.setFeedback(&progress, &toasts);
    const Song song = makeSong(u"One"_s);
    model.setFolder(QUrl::fromLocalFile(QDir::tempPath()), {song});
    model.commitEdit(song.id, u"title", u"Two"_s);
    ASSERT_TRUE(model.historyManager().canUndo());

    int playerStops = 0;
    QSignalSpy toastShown(&toasts, &ToastManager::isShowingChanged);
    const QFuture<void> done = lifecycle::cleanAndReset(model, [&] { ++playerStops; });
    EXPECT_FALSE(model.currentFolder());
    EXPECT_TRUE(model.visibleSongs().isEmpty());
    EXPECT_FALSE(model.historyManager().canUndo());
    EXPECT_EQ(playerStops, 1);
    EXPECT_TRUE(toastShown.isEmpty()) << "the toast comes later, once the files are gone";
    ASSERT_TRUE(test::waitFor(done));
    EXPECT_EQ(toasts.message(), u"🧹 Application cleaned and reset"_s);
    EXPECT_EQ(toasts.type(), ToastManager::ToastType::success);
    for (const QString& key : kept + removed) {
        EXPECT_EQ(QSettings().contains(key), kept.contains(key)) << key.toStdString();
    }
}

// Another live process of ours as the registry sees one: it holds the lock on a registration file while
// it runs. The shell locks the file under another name, renames it into place (never seen unlocked), and
// becomes `sleep`, which keeps the descriptor; `mv` gets no copy of it, or a kill of the shell could leave
// the lock held until `mv` has exited too.
class OtherProcess {
public:
    explicit OtherProcess(const QString& folder) {
        m_process.start(
            u"bash"_s,
            {u"-c"_s,
             u"exec 9>\"$0/.staging\" && flock 9 && mv \"$0/.staging\" \"$0/process-999999.lock\" 9>&- && exec sleep 60"_s,
             folder});
        EXPECT_TRUE(m_process.waitForStarted());
        // Registered once flock has taken the lock, which a second taker then cannot get.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return ProcessRegistration::otherProcessRegistered(folder); }, 10000));
    }
    ~OtherProcess() { die(); }
    void die() {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

TEST(ProcessRegistry, SeesLiveProcessesAndIgnoresTheRegistrationsOfDeadOnes) {
    const ScratchDir dir;
    const ProcessRegistration own(dir.path());
    ASSERT_TRUE(own.isRegistered());
    EXPECT_FALSE(ProcessRegistration::otherProcessRegistered(dir.path())); // itself does not count

    OtherProcess other(dir.path());
    EXPECT_TRUE(ProcessRegistration::otherProcessRegistered(dir.path()));
    other.die(); // killed: its lock file stays behind, unlocked
    EXPECT_TRUE(QFile::exists(dir.filePath(u"process-999999.lock"_s)));
    EXPECT_FALSE(ProcessRegistration::otherProcessRegistered(dir.path()));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"process-999999.lock"_s)));
}

// Both the launch clean-up and "Clean" leave the shared files alone while another process of ours runs.
TEST(ProcessRegistry, CleanUpsLeaveFilesAloneWhileAnotherProcessRuns) {
    const QString folder = paths::privateTempDir();
    ASSERT_FALSE(folder.isEmpty());
    const QString cover = folder + u"/Cover_0123456789abcdef.jpg"_s;
    const QString converted = folder + u"/Quirella_Cover_0123456789.jpg"_s;
    ASSERT_TRUE(writeAll(cover, "jpeg"));
    ASSERT_TRUE(writeAll(converted, "jpeg"));
    ContentViewModel model;
    {
        OtherProcess other(folder);
        lifecycle::runStartup();
        ASSERT_TRUE(waitFor(lifecycle::cleanAndReset(model)));
        EXPECT_TRUE(QFile::exists(cover)); // the other process may still write it into a file
        EXPECT_TRUE(QFile::exists(converted));
    }
    lifecycle::runStartup();
    EXPECT_FALSE(QFile::exists(cover));
    ASSERT_TRUE(writeAll(converted, "jpeg"));
    ASSERT_TRUE(waitFor(lifecycle::cleanAndReset(model)));
    EXPECT_FALSE(QFile::exists(converted));
}

TEST(WindowInstance, ASecondLaunchHandsItsFoldersToTheFirstWindow) {
    const ScratchDir dir;
    WindowInstance first(dir.path());
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.isPrimary());
    QSignalSpy received(&first, &WindowInstance::foldersReceived);

    const QByteArrayList folders{QByteArrayLiteral("/music/One"), QByteArrayLiteral("/music/Caf\xE9"), {}};
    // The second launch blocks while it waits for the answer; the first answers from its event loop.
    const QFuture<bool> handedOver = QtConcurrent::run([folder = dir.path(), folders] {
        WindowInstance second(folder);
        return !second.claim() && second.handOver(folders);
    });
    ASSERT_TRUE(received.wait(10000));
    EXPECT_EQ(received.first().first().value<QByteArrayList>(), folders);
    ASSERT_TRUE(waitFor(handedOver));
    EXPECT_TRUE(handedOver.result());
}

TEST(WindowInstance, TheClaimPassesOnWhenTheFirstWindowCloses) {
    const ScratchDir dir;
    {
        WindowInstance first(dir.path());
        ASSERT_TRUE(first.claim());
        EXPECT_FALSE(WindowInstance(dir.path()).claim());
    }
    EXPECT_TRUE(WindowInstance(dir.path()).claim());
    // Nobody listens for a hand-over once no window runs.
    EXPECT_FALSE(WindowInstance(dir.path()).handOver({QByteArrayLiteral("/music")}, 300));
}

} // namespace
