// SPDX-License-Identifier: GPL-3.0-or-later
// How folders become song lists on a real Linux file system: natural name order instead of hash order,
// and names that are not UTF-8.
#include "app/FolderChanges.h"
#include "app/FolderLoading.h"
#include "app/FolderScanner.h"
#include "app/SongBuilder.h"
#include "model/Paths.h"
#include "support/AudioFiles.h"
#include "support/TestSupport.h"
#include "tags/AtomicFile.h"
#include "tags/MP3TagEditor.h"

#include <QDir>
#include <QMutex>
#include <QSemaphore>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tuple>
#include <unistd.h>
#include <utime.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// Creates a file whose name is given as raw bytes; returns its path as the application carries it.
QString writeNative(const QString& folder, const QByteArray& name, const QByteArray& bytes) {
    const QByteArray path = paths::nativePath(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
    ::close(fd);
    return paths::fromNativePath(path);
}

// Entries of a folder other than "." and "..", counted by the system (Qt skips names it cannot decode).
int entryCount(const QString& folder) {
    DIR* stream = ::opendir(paths::nativePath(folder).constData());
    int count = 0;
    while (const dirent* entry = ::readdir(stream)) {
        count += std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0 ? 1 : 0;
    }
    ::closedir(stream);
    return count;
}

} // namespace

TEST(NaturalOrder, ComparesNumbersAsNumbersAndLettersWithoutCase) {
    const std::tuple<const char*, QString, QString, int> rows[] = {
        {"leading zeros", u"Track 007"_s, u"Track 7"_s, 0},
        {"numbers longer than any integer", u"1234567890123456789012"_s, u"999"_s, 1},
        {"prefix first", u"Tone"_s, u"Tone 1"_s, -1},
        {"digits before letters", u"1 Intro"_s, u"A Song"_s, -1},
    };
    for (const auto& [name, a, b, expected] : rows) {
        EXPECT_EQ(compareNaturally(a, b), expected) << name;
        EXPECT_EQ(compareNaturally(b, a), -expected) << name;
    }
}

TEST(FolderWalk, ListsSupportedFilesInNaturalOrderAndSkipsHiddenLinkedAndBroken) {
    const ScratchDir dir;
    // Written in an order unlike the one expected, so that creation order cannot pass for it.
    for (const QString& name :
         {u"Tone 3.mp3"_s, u"Tone 10.mp3"_s, u"CD 2/Track 1.wav"_s, u"tone 2.MP3"_s,
          u"CD 10/deep/Track 1.flac"_s, u"Tone 1.Aif"_s, u"CD 2/Track 12.mp3"_s, u"CD 2/Track 2.mp3"_s,
          u"notes.txt"_s, u".hidden.mp3"_s, u".hiddendir/f.mp3"_s, u"folder.m4a/g.m4a"_s}) {
        dir.write(name, "x");
    }
    // A link back up the tree must not make the walk loop, and a dangling link is reported.
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(u"CD 2/loop"_s)));
    ASSERT_TRUE(QFile::link(dir.filePath(u"absent.mp3"_s), dir.filePath(u"dangling.mp3"_s)));
    // Our own temporary files are swept when old, and never listed.
    const QString stale = dir.write(u"CD 2/"_s + QLatin1String(atomicfile::kTempPrefix) + u"old"_s, "t");
    const QString fresh = dir.write(u"CD 2/"_s + QLatin1String(atomicfile::kTempPrefix) + u"new.mp3"_s, "t");
    const utimbuf longAgo{1'000'000'000, 1'000'000'000};
    ASSERT_EQ(::utime(QFile::encodeName(stale).constData(), &longAgo), 0);

    const WarningCapture console;
    const FolderScan scan = scanFolder(dir.path());
    ASSERT_TRUE(scan.ok());
    QStringList relative;
    for (const QString& file : scan.files) {
        relative.append(QDir(dir.path()).relativeFilePath(file));
    }
    EXPECT_EQ(relative, (QStringList{u"CD 2/Track 1.wav"_s, u"CD 2/Track 2.mp3"_s, u"CD 2/Track 12.mp3"_s,
                                     u"CD 10/deep/Track 1.flac"_s, u"folder.m4a/g.m4a"_s, u"Tone 1.Aif"_s,
                                     u"tone 2.MP3"_s, u"Tone 3.mp3"_s, u"Tone 10.mp3"_s}));
    ASSERT_EQ(console.warnings().size(), 1);
    EXPECT_TRUE(
        console.warnings().first().startsWith(u"Error checking file: "_s + dir.filePath(u"dangling.mp3"_s)));
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(fresh));
    EXPECT_FALSE(scanFolder(dir.filePath(u"absent"_s)).ok());
}

TEST(FolderWalk, NamesThatAreNotUtf8AreListedReadAndWritten) {
    const ScratchDir dir;
    // "Café - Naïve.mp3" in Latin-1, as an old system would have written it.
    const QByteArray latin1 = QByteArrayLiteral("Caf\xE9 - Na\xEFve.mp3");
    const QString path =
        writeNative(dir.path(), latin1, id3Tag(id3Frame("TIT2", textBody("Old"))) + mp3Audio());

    const FolderScan scan = scanFolder(dir.path());
    ASSERT_TRUE(scan.ok());
    ASSERT_EQ(scan.files.size(), 1);
    EXPECT_EQ(paths::nativePath(scan.files.first()), paths::nativePath(path));

    std::optional<Song> song = createSong(scan.files.first());
    ASSERT_TRUE(song);
    EXPECT_EQ(song->name, u"Old"_s);
    EXPECT_EQ(song->artist, u"Caf\uFFFD"_s); // shown with a replacement character
    EXPECT_TRUE(song->bookmarkData.endsWith(latin1));

    TagValues values;
    values.title = u"New"_s;
    const TagStatus written = MP3TagEditor::writeTagsNow(song->filePath(), values);
    ASSERT_TRUE(written.ok()) << written.message.toStdString();
    EXPECT_EQ(createSong(path)->name, u"New"_s);
    EXPECT_EQ(entryCount(dir.path()), 1); // no temporary file left behind

    // The folder's JSON carries the name's own bytes.
    const QJsonObject json = toJson(*song);
    EXPECT_TRUE(json.value(u"url"_s).toString().endsWith(u"Caf%E9%20-%20Na%EFve.mp3"_s));
    EXPECT_EQ(paths::nativePath(songFromJson(json)->filePath()), paths::nativePath(path));
    // The folder watch knows the file by the name its song carries.
    const Song now = *createSong(path);
    EXPECT_TRUE(
        findFolderChanges(dir.path(), {{now.id, now.filePath(), now.fileValues, now.fileValues->identity}}, 1)
            .isEmpty());
    // QTemporaryDir cannot name this file either.
    ::unlink(paths::nativePath(path).constData());
}

// Loading builds the songs on a thread of the global pool; each batch must still get every thread of the
// pool, that one included, rather than leave it waiting for the others.
TEST(SongBatches, UseEveryThreadOfThePoolAndKeepTheOrderOfTheFiles) {
    QThreadPool* pool = QThreadPool::globalInstance();
    const int poolSize = pool->maxThreadCount();
    pool->setMaxThreadCount(2);
    QStringList files;
    for (int i = 0; i < 2 * songBatchSize + 3; ++i) {
        files.append(u"/music/Song %1.mp3"_s.arg(i));
    }
    QMutex mutex;
    QSet<Qt::HANDLE> workers;
    QSemaphore secondWorker;
    const SongFactory build = [&](const QString& file) -> std::optional<Song> {
        {
            const QMutexLocker lock(&mutex);
            workers.insert(QThread::currentThreadId());
            if (workers.size() == 2) {
                secondWorker.release();
            }
        }
        // The first song waits for a second thread to join in; the bound only turns a hang into a failure.
        if (file == files.first()) {
            secondWorker.tryAcquire(1, 30000);
        }
        Song song;
        song.name = file;
        return file.endsWith(u"7.mp3"_s) ? std::nullopt : std::optional<Song>(song);
    };
    const QList<Song> songs = QtConcurrent::run(createSongsWith, files, nullptr, build, nullptr).result();
    pool->setMaxThreadCount(poolSize);

    EXPECT_EQ(workers.size(), 2);
    QStringList built;
    for (const Song& song : songs) {
        built.append(song.name);
    }
    files.removeIf([](const QString& file) { return file.endsWith(u"7.mp3"_s); });
    EXPECT_EQ(built, files);
}

TEST(NativePaths, RoundTripEveryByteAndKeepValidText) {
    QByteArray everyByte;
    for (int b = 1; b < 256; ++b) {
        everyByte.append(static_cast<char>(b));
    }
    const QByteArray samples[] = {
        everyByte,
        QByteArrayLiteral("/music/\xC3\xA9t\xC3\xA9 \xF0\x9F\x8E\xB5.mp3"), // valid UTF-8 with an emoji
        QByteArrayLiteral("\xED\xA0\x80 surrogate encoded \xC0\xAF overlong \xF4\x90\x80\x80 too large"),
        QByteArrayLiteral("\xF0\x90\x82\x80"), // U+10080: its low surrogate looks like an escape
        QByteArrayLiteral("cut \xE2\x82"),
    };
    for (const QByteArray& bytes : samples) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const QString text = paths::fromNativePath(bytes);
        EXPECT_EQ(paths::nativePath(text), bytes);
        EXPECT_EQ(paths::hasEscapedBytes(text), QString::fromUtf8(bytes).toUtf8() != bytes);
    }
    EXPECT_EQ(paths::fromNativePath("/music/\xC3\xA9t\xC3\xA9"), u"/music/\u00E9t\u00E9"_s);
    EXPECT_EQ(paths::displayText(paths::fromNativePath("Caf\xE9")), u"Caf\uFFFD"_s);
    EXPECT_EQ(paths::displayText(paths::fromNativePath("\xF0\x90\x82\x80")), u"\U00010080"_s);
}
