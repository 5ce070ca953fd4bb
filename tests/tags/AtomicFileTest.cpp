// Replacing a user's file: a process killed in the middle of a write, a write the file system cuts
// short, and the sweep of stale temporary files.
#include "tags/AtomicFile.h"

#include "support/AudioFiles.h"
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
#include <utime.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

QStringList temporaryFiles(const QString& folder) {
    return QDir(folder).entryList({QLatin1String(atomicfile::kTempPrefix) + u'*'},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

TagValues titled(const QByteArray& title) {
    TagValues values;
    values.title = QString::fromUtf8(title);
    values.rating = 3;
    return values;
}

// The child of the kill test: rewrites the file of the job ("mode|path|first|second") forever, alternating
// between two contents (atomic: the bytes of two files; mp3: two titles), and says "ready" after the
// first complete write.
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
        const TagStatus written = parts[0] == "mp3"
                                      ? MP3TagEditor::writeTagsNow(path, titled(parts[2 + i % 2]))
                                      : atomicfile::replaceContents(path, contents[i % 2]);
        if (!written.ok()) {
            return 1;
        }
        if (i == 0) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
        }
    }
});

} // namespace

// A process killed at a random moment of a rewrite leaves the old file or a complete new one, and at most
// one temporary file of ours, which the launch sweep removes.
class KilledWriter : public ::testing::TestWithParam<const char*> {};

TEST_P(KilledWriter, LeavesTheOldOrTheNewFileNeverAMix) {
    const QByteArray mode = GetParam();
    ScratchDir dir;
    const QString path = dir.filePath(u"victim"_s);
    const bool mp3 = mode == "mp3";
    const QByteArray original = mp3 ? mp3Audio(24000) /* about 10 MB */ : randomBytes(1, 12 << 20);
    QList<QByteArray> outcomes;
    QByteArray first = "First title";
    QByteArray second = "Second title";
    if (mp3) {
        for (const QByteArray& title : {first, second}) {
            outcomes.append(
                *MP3TagEditor::rebuild(original, id3::managedFrames(titled(title), std::nullopt)).value);
        }
    } else {
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

        const qsizetype which = outcomes.indexOf(readAll(path));
        EXPECT_GE(which, 0) << "the file holds bytes that match no complete write";
        if (which >= 0) {
            ++seen[which];
        }
        const qsizetype leftovers = temporaryFiles(dir.path()).size();
        EXPECT_LE(leftovers, 1);
        EXPECT_EQ(atomicfile::sweepStaleTemporaryFiles(dir.path(), -1), leftovers);
        EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());
    }
    // Every round got past the first write before the kill.
    EXPECT_EQ(seen[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, KilledWriter, ::testing::Values("atomic", "mp3"),
                         [](const auto& row) { return std::string(row.param); });

// A write the file system cuts short (a full disk, a quota, here the file size limit) fails with the
// system's reason and leaves the original as it was, without a temporary file; so does a file that is
// not there, which is not created.
TEST(AtomicFile, AShortWriteLeavesTheOriginal) {
    ScratchDir dir;
    const QByteArray original = mp3Audio(4);
    const QString path = dir.write(u"full.mp3"_s, original);
    TagValues values = titled("Too big");
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
    const TagStatus missing = atomicfile::replaceContents(dir.filePath(u"missing.mp3"_s), "x");

    for (const TagStatus& status : {direct, tagged, missing}) {
        EXPECT_EQ(status.error, TagError::platform);
        EXPECT_TRUE(status.message.contains(u".mp3"_s)) << status.message.toStdString();
    }
    EXPECT_EQ(readAll(path), original);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"full.mp3"_s});
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
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QFileInfo(fresh).fileName(), u"song.mp3"_s}));
}
