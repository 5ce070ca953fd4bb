#include "support/ClickTracks.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

struct CliOutcome {
    int status = -1;
    QString out;
    QString err;
};

CliOutcome quirellaCli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUIRELLA_CLI_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(180000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList fileNames(const ScratchDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files, QDir::Name);
}

TEST(CliFileCommands, BpmPrintsOneLinePerFileAndFailsOnBrokenOnes) {
    const ScratchDir dir;
    const QString fast = dir.write(u"songs/a.wav"_s, clickTrackWav(120, 12));
    const QString slow = dir.write(u"songs/b.wav"_s, clickTrackWav(90, 12));
    const QString single = dir.write(u"single.wav"_s, clickTrackWav(100, 12));

    const CliOutcome good = quirellaCli({u"bpm"_s, single, dir.filePath(u"songs"_s)});
    EXPECT_EQ(good.status, 0) << good.err.toStdString();
    QStringList lines = good.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << good.out.toStdString();
    EXPECT_EQ(lines.first(), u"100\t"_s + single);
    lines.removeFirst();
    lines.sort();
    EXPECT_EQ(lines, (QStringList{u"120\t"_s + fast, u"90\t"_s + slow}));

    const QString broken = dir.write(u"broken.mp3"_s, "not audio at all, not audio at all");
    const CliOutcome bad = quirellaCli({u"bpm"_s, broken, single});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, u"100\t"_s + single + u'\n');
    EXPECT_TRUE(bad.err.startsWith(broken + u": "_s)) << bad.err.toStdString();
}

TEST(CliFileCommands, RenameWithTempoThenCleanTheTempoAgain) {
    const ScratchDir dir;
    dir.write(u"Artist - Song.wav"_s, clickTrackWav(120, 12));
    dir.write(u"Other - Tune.wav"_s, clickTrackWav(90, 12));

    const CliOutcome renamed =
        quirellaCli({u"rename"_s, dir.path(), u"--pattern"_s, u"bpm-artist-title"_s, u"--analyze-bpm"_s});
    EXPECT_EQ(renamed.status, 0) << renamed.err.toStdString();
    EXPECT_EQ(renamed.out, u"✅ 2 files renamed successfully!\n"_s);
    EXPECT_EQ(fileNames(dir),
              (QStringList{u"[120 BPM] Artist - Song.wav"_s, u"[90 BPM] Other - Tune.wav"_s}));

    const CliOutcome clean = quirellaCli({u"clean-bpm"_s, dir.path()});
    EXPECT_EQ(clean.status, 0) << clean.err.toStdString();
    EXPECT_EQ(clean.out, u"✅ BPM cleaned from 2 files!\n"_s);
    EXPECT_EQ(fileNames(dir), (QStringList{u"Artist - Song.wav"_s, u"Other - Tune.wav"_s}));
}

TEST(CliFileCommands, WrongArgumentsGiveStatusTwo) {
    const ScratchDir dir;
    const QList<QStringList> wrong = {
        {u"bpm"_s},
        {u"rename"_s, dir.path()},
        {u"rename"_s, dir.path(), u"--pattern"_s, u"title-artist"_s},
        {u"rename"_s, dir.path(), dir.path(), u"--pattern=artist-title"_s},
        {u"rename"_s, dir.path(), u"--pattern=artist-title"_s, u"--pattern=artist-title"_s},
        {u"clean-bpm"_s, dir.path(), u"--all"_s},
    };
    for (const QStringList& arguments : wrong) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliOutcome run = quirellaCli(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith(u"quirella-cli: "_s)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    const CliOutcome missing = quirellaCli({u"clean-bpm"_s, dir.filePath(u"nowhere"_s)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, u"Error: The selected path is not a valid folder\n"_s);
    const CliOutcome help = quirellaCli({u"--help"_s});
    EXPECT_TRUE(help.out.contains(u"quirella-cli rename FOLDER --pattern"_s));
}

} // namespace
