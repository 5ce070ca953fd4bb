#include "app/AudioFixtures.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella::test;
using namespace quirella::test::audio;
using namespace Qt::StringLiterals;

namespace {

struct EditRun {
    int status = -1;
    QString out;
    QString err;
};

EditRun edit(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUIRELLA_CLI_PATH), QStringList{u"edit"_s} + arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// name, artist, genre and rating of each printed song, by file name.
QMap<QString, QStringList> printedSongs(const EditRun& run) {
    QMap<QString, QStringList> songs;
    const QJsonObject folder = QJsonDocument::fromJson(run.out.toUtf8()).object();
    for (const QJsonValue& value : folder.value(u"songs"_s).toArray()) {
        const QJsonObject song = value.toObject();
        songs.insert(QUrl(song[u"url"_s].toString()).fileName(),
                     {song[u"name"_s].toString(), song[u"artist"_s].toString(), song[u"genre"_s].toString(),
                      QString::number(song[u"rating"_s].toInteger())});
    }
    return songs;
}

TEST(CliEdit, WrongArgumentsAreRefusedWithStatus2) {
    const ScratchDir dir;
    const QString song = dir.write(u"a.mp3"_s, mp3Audio());
    const QList<QStringList> wrong = {
        {},
        {song},
        {u"--swap"_s},
        {song, u"--uppercase"_s, u"year"_s},
        {song, u"--title-case"_s},
        {song, u"--clear"_s, u"bpm"_s},
        {song, u"--replace"_s, u"title"_s},
        {song, u"--set-rating"_s, u"5"_s},
        {song, u"--set-rating"_s, u"two"_s},
        {song, u"--remove"_s, QString()},
        {song, u"--remove-replacement"_s, u"x"_s},
        {song, u"--remove"_s, u"a"_s, u"--remove-replacement"_s, u"x"_s, u"--remove-replacement"_s, u"y"_s},
        {song, u"--replace-text"_s, QString(), u"x"_s},
        {song, u"--shuffle"_s},
        {dir.filePath(u"missing.mp3"_s), u"--swap"_s},
    };
    for (const QStringList& arguments : wrong) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const EditRun run = edit(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith(u"quirella-cli: "_s)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(readAll(song), mp3Audio());
}

TEST(CliEdit, RunsTheOperationsInOrderAndPrintsTheFolder) {
    const ScratchDir dir;
    const QString first = dir.write(u"ABBA - dancing queen (1976) feat Benny.mp3"_s, mp3Audio());
    dir.write(u"Zoë - Café Noir.mp3"_s, mp3Audio());

    // The two --remove terms act together where the first stands: before the title case.
    const EditRun run =
        edit({dir.path(), u"--remove"_s, u"FEAT"_s, u"--title-case"_s, u"title"_s, u"--remove"_s, u"benny"_s,
              u"--remove-replacement"_s, u"+"_s, u"--set-genre"_s, u"pop"_s, u"--uppercase"_s, u"genre"_s,
              u"--set-rating"_s, u"2"_s, u"--replace"_s, u"year"_s, u"1899"_s});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QMap<QString, QStringList> songs = printedSongs(run);
    EXPECT_EQ(songs.value(u"ABBA - dancing queen (1976) feat Benny.mp3"_s),
              (QStringList{u"Dancing Queen (1976) + +"_s, u"ABBA"_s, u"POP"_s, u"2"_s}));
    EXPECT_EQ(songs.value(u"Zoë - Café Noir.mp3"_s),
              (QStringList{u"Café Noir"_s, u"Zoë"_s, u"POP"_s, u"2"_s}));
    EXPECT_TRUE(run.err.contains(u"1899"_s)); // the year that changed nothing is named, not an error
    EXPECT_EQ(readAll(first), mp3Audio());    // nothing written without --write

    const EditRun swapped =
        edit({dir.path(), u"--swap"_s, u"--clean-characters"_s, u"--replace-text"_s, u"ABBA"_s, u"Abba"_s});
    ASSERT_EQ(swapped.status, 0);
    EXPECT_EQ(printedSongs(swapped).value(u"Zoë - Café Noir.mp3"_s).mid(0, 2),
              (QStringList{u"Zoe"_s, u"Cafe Noir"_s}));
}

TEST(CliEdit, WriteSendsTheEditedSongsThroughTheTagBatch) {
    const ScratchDir dir;
    const QString file = dir.write(u"ABBA - waterloo.mp3"_s, mp3Audio());
    const EditRun run = edit({file, u"--uppercase"_s, u"all"_s, u"--write"_s});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(u"✅"_s)) << run.out.toStdString();
    EXPECT_NE(readAll(file), mp3Audio());

    const EditRun reread = edit({file, u"--clear-ratings"_s});
    EXPECT_EQ(printedSongs(reread).value(u"ABBA - waterloo.mp3"_s).mid(0, 2),
              (QStringList{u"WATERLOO"_s, u"ABBA"_s}));
}

} // namespace
