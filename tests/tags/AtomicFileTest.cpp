// Replacing a user's file: owner and permissions, failures that leave nothing behind, the sweep of stale
// temporary files, and a process killed in the middle of a write.
#include "tags/AtomicFile.h"

#include "support/AudioFiles.h"
#include "support/TestSupport.h"
#include "tags/Id3.h"
#include "tags/MP3TagEditor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

QStringList temporaryFiles(const QString& folder) {
    return QDir(folder).entryList({QLatin1String(atomicfile::kTempPrefix) + u'*'},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

TagValues titled(const QString& title) {
    TagValues values;
    values.title = title;
    values.rating = 3;
    return values;
}

} // namespace

TEST(AtomicFile, FailuresLeaveNoTemporaryFile) {
    ScratchDir dir;
    const TagStatus missing = atomicfile::replaceContents(dir.filePath(u"missing.bin"_s), "x");
    EXPECT_EQ(missing.error, TagError::platform);
    EXPECT_TRUE(missing.message.contains(u"missing.bin"_s)) << missing.message.toStdString();
    QDir(dir.path()).mkdir(u"folder"_s);
    EXPECT_FALSE(atomicfile::replaceContents(dir.filePath(u"folder"_s), "x").ok());
    const QString path = dir.write(u"sub/a.bin"_s, "old");
    {
        Unwritable folder(QFileInfo(path).absolutePath());
        ASSERT_TRUE(folder.active()) << "cannot make a folder unwritable through "
                                     << Unwritable::how().toStdString();
        EXPECT_FALSE(atomicfile::replaceContents(path, "new").ok());
        EXPECT_EQ(readAll(path), "old");
    }
    EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());
    EXPECT_TRUE(temporaryFiles(dir.filePath(u"sub"_s)).isEmpty());
}

TEST(AtomicFile, SweepRemovesOnlyOldTemporaryFilesOfOurs) {
    ScratchDir dir;
    const QString stale = dir.write(QLatin1String(atomicfile::kTempPrefix) + u"song.mp3.abc123"_s, "x");
    const QString fresh = dir.write(QLatin1String(atomicfile::kTempPrefix) + u"song.mp3.def456"_s, "x");
    const QString foreign = dir.write(u"song.mp3"_s, "x");
    struct utimbuf old {};
    old.actime = old.modtime = std::time(nullptr) - 3600;
    ASSERT_EQ(::utime(QFile::encodeName(stale).constData(), &old), 0);
    ASSERT_EQ(::utime(QFile::encodeName(foreign).constData(), &old), 0);
    EXPECT_EQ(atomicfile::sweepStaleTemporaryFiles(dir.path(), 600), 1);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(fresh));
    EXPECT_TRUE(QFileInfo::exists(foreign));
}

// The child of the kill test: rewrites the file of the job forever, alternating between two contents,
// and says "ready" after the first complete write.
const ChildMain rewriteForever("rewrite-forever", [](const QByteArray& job) {
    const QList<QByteArray> parts = job.split('|');
    if (parts.size() != 4) {
        return 2;
    }
    const QString path = QFile::decodeName(parts[1]);
    // Read once, so that nearly all the time goes into rewriting the file.
    const QByteArray contents[2] = {readAll(QFile::decodeName(parts[2])),
                                    readAll(QFile::decodeName(parts[3]))};
    for (int i = 0;; ++i) {
        const bool written =
            parts[0] == "mp3"
                ? MP3TagEditor::writeTagsNow(path, titled(QString::fromUtf8(parts[2 + i % 2]))).ok()
                : atomicfile::replaceContents(path, contents[i % 2]).ok();
        if (!written) {
            return 1;
        }
        if (i == 0) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
});

// A process killed at a random moment of a rewrite leaves the old file or a complete new one.
class KilledWriter : public ::testing::TestWithParam<const char*> {};

TEST_P(KilledWriter, LeavesTheOldOrTheNewFileNeverAMix) {
    const QByteArray mode = GetParam();
    ScratchDir dir;
    const QString path = dir.filePath(u"victim"_s);
    QByteArray original;
    QList<QByteArray> outcomes;
    QByteArray first, second;
    if (mode == "mp3") {
        original = mp3Audio(24000); // about 10 MB
        first = "First title";
        second = "Second title";
        for (const QByteArray& title : {first, second}) {
            outcomes.append(*MP3TagEditor::rebuild(
                                 original, id3::managedFrames(titled(QString::fromUtf8(title)), std::nullopt))
                                 .value);
        }
    } else {
        original = randomBytes(1, 12 << 20);
        outcomes = {randomBytes(2, 9 << 20), randomBytes(3, 11 << 20)};
        first = QFile::encodeName(dir.write(u"first.bin"_s, outcomes[0]));
        second = QFile::encodeName(dir.write(u"second.bin"_s, outcomes[1]));
    }
    outcomes.prepend(original);

    QList<int> seen(outcomes.size(), 0);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(writeAll(path, original));
        QProcess child;
        ChildMain::start(child, "rewrite-forever",
                         mode + '|' + QFile::encodeName(path) + '|' + first + '|' + second);
        ASSERT_TRUE(child.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (!child.readAllStandardOutput().contains("ready") && waited.elapsed() < 60000) {
            ASSERT_NE(child.state(), QProcess::NotRunning) << child.readAllStandardError().toStdString();
            child.waitForReadyRead(100);
        }
        QThread::msleep(QRandomGenerator::global()->bounded(10u, 300u));
        child.kill(); // SIGKILL
        ASSERT_TRUE(child.waitForFinished());
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        const QByteArray after = readAll(path);
        const qsizetype which = outcomes.indexOf(after);
        EXPECT_GE(which, 0) << "the file holds " << after.size() << " bytes that match no complete write";
        if (which >= 0) {
            ++seen[which];
        }
        // What a kill leaves behind is only our own temporary file, which the launch sweep removes.
        const QString folder = QFileInfo(path).absolutePath();
        const qsizetype leftovers = temporaryFiles(folder).size();
        EXPECT_LE(leftovers, 1);
        EXPECT_EQ(atomicfile::sweepStaleTemporaryFiles(folder, -1), leftovers);
        EXPECT_TRUE(temporaryFiles(folder).isEmpty());
    }
    // Every round got past the first write before the kill.
    EXPECT_EQ(seen[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, KilledWriter, ::testing::Values("atomic", "mp3"),
                         [](const auto& row) { return std::string(row.param); });

// The replacement keeps the original's owner, group and permission bits. As root the file is given to
// nobody first, so that keeping the owner means giving the new file away.
TEST(AtomicFile, OwnerGroupAndModeAreKept) {
    ScratchDir dir;
    const QString path = dir.write(u"owned.mp3"_s, mp3Audio());
    const QByteArray native = QFile::encodeName(path);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(native.constData(), &before), 0);

    ASSERT_TRUE(MP3TagEditor::writeTagsNow(path, titled(u"Owned"_s)).ok());
    struct stat after {};
    ASSERT_EQ(::stat(native.constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "the file was replaced, not rewritten in place";
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
}

// A write the file system cuts short (a full disk, a quota, here the file size limit) fails with the
// system's reason and leaves the original as it was, without a temporary file.
TEST(AtomicFile, AShortWriteLeavesTheOriginal) {
    ScratchDir dir;
    const QByteArray original = mp3Audio(4);
    const QString path = dir.write(u"full.mp3"_s, original);
    TagValues values = titled(u"Too big"_s);
    values.coverImage = imageBytes(Qt::darkRed, 600, 600);

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN); // else the signal ends the process
    struct rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(original.size() + 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const TagStatus direct = atomicfile::replaceContents(path, QByteArray(original.size() * 4, 'x'));
    const TagStatus tagged = MP3TagEditor::writeTagsNow(path, values);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    for (const TagStatus& status : {direct, tagged}) {
        EXPECT_EQ(status.error, TagError::platform);
        EXPECT_TRUE(status.message.contains(u"full.mp3"_s)) << status.message.toStdString();
    }
    EXPECT_EQ(readAll(path), original);
    EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());
}
