#include "app/AudioFixtures.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace quirella::test;
using namespace quirella::test::audio;
using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

CliRun cli(const QStringList& arguments) {
    return runProgram(QStringLiteral(QUIRELLA_CLI_PATH), arguments);
}

QJsonObject scannedFolder(const QString& folder) {
    const CliRun run = cli({u"scan"_s, folder});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    return document.object();
}

QJsonObject songNamed(const QJsonObject& folder, const QString& fileName) {
    for (const QJsonValue& song : folder.value(u"songs"_s).toArray()) {
        if (QUrl(song[u"url"_s].toString()).fileName() == fileName) {
            return song.toObject();
        }
    }
    ADD_FAILURE() << "no song for " << fileName.toStdString();
    return {};
}

TEST(Cli, HelpVersionAndWrongArguments) {
    const CliRun help = cli({u"--help"_s});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(u"Usage:"_s));
    EXPECT_TRUE(help.out.contains(u"quirella-cli write PATH..."_s));
    // Both programs name themselves and the build's version, without a display for the window.
    for (const auto& [program, name] : {std::pair{QStringLiteral(QUIRELLA_CLI_PATH), u"quirella-cli"_s},
                                        std::pair{QStringLiteral(QUIRELLA_WINDOW_PATH), u"quirella"_s}}) {
        const CliRun version = runProgram(program, {u"--version"_s});
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, name + u" (Quirella Tag-Editor) " QUIRELLA_VERSION "\n"_s);
    }

    const ScratchDir dir;
    const QString song = dir.write(u"a.mp3"_s, mp3Audio());
    const QList<QStringList> wrong = {
        {},
        {u"play"_s},
        {u"scan"_s},
        {u"scan"_s, dir.path(), dir.path()},
        {u"write"_s},
        {u"write"_s, song, u"--rating"_s, u"6"_s},
        {u"write"_s, song, u"--year"_s, u"next year"_s},
        {u"write"_s, song, u"--title"_s},
        {u"write"_s, song, u"--title"_s, u"A"_s, u"--title"_s, u"B"_s},
        {u"write"_s, song, u"--cover"_s, song, u"--no-cover"_s},
        {u"write"_s, song, u"--cover"_s, dir.filePath(u"missing.jpg"_s)},
        {u"write"_s, song, u"--bpm"_s, u"120"_s},
        {u"write"_s, dir.filePath(u"missing.mp3"_s)},
    };
    for (const QStringList& arguments : wrong) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun run = cli(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith(u"quirella-cli: "_s)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(readAll(song), mp3Audio());
}

TEST(Cli, ScanPrintsTheLoadedFolderAsJson) {
    const ScratchDir dir;
    dir.write(u"Artist - Song.mp3"_s, mp3Audio());
    dir.write(u"deep/Other.wav"_s, wavFile());
    const QJsonObject folder = scannedFolder(dir.path());
    for (const char* key : {"id", "name", "songs", "path"}) {
        EXPECT_TRUE(folder.contains(QLatin1String(key))) << key;
    }
    EXPECT_EQ(QUrl(folder[u"path"_s].toString()), QUrl::fromLocalFile(dir.path()));
    ASSERT_EQ(folder[u"songs"_s].toArray().size(), 2);
    const QJsonObject song = songNamed(folder, u"Artist - Song.mp3"_s);
    EXPECT_EQ(song.keys().size(), 14);
    EXPECT_EQ(song[u"name"_s].toString(), u"Song"_s);
    EXPECT_EQ(song[u"artist"_s].toString(), u"Artist"_s);
    EXPECT_TRUE(song[u"isMetadataLoaded"_s].toBool());
    EXPECT_EQ(QByteArray::fromBase64(song[u"bookmarkData"_s].toString().toLatin1()),
              dir.filePath(u"Artist - Song.mp3"_s).toUtf8());
    EXPECT_EQ(QUrl(song[u"url"_s].toString()).toLocalFile(), dir.filePath(u"Artist - Song.mp3"_s));
}

// FFmpeg and the hundred libraries it pulls in are the larger part of a start: only a command that
// decodes may load them. The dynamic loader's own trace says what was loaded.
TEST(Cli, OnlyDecodingCommandsLoadFFmpeg) {
    const ScratchDir dir;
    dir.write(u"Artist - Song.mp3"_s, mp3Audio());
    const QString wav = dir.write(u"clicks.wav"_s, wavFile());
    const auto loadedLibraries = [](const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"LD_DEBUG"_s, u"files"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUIRELLA_CLI_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return QString::fromUtf8(process.readAllStandardError());
    };
    EXPECT_FALSE(loadedLibraries({u"scan"_s, dir.path()}).contains(u"libavformat"_s));
    EXPECT_TRUE(loadedLibraries({u"bpm"_s, wav}).contains(u"libavformat"_s));
}

// A cover is kept in one file named after its bytes, so that scanning again, in another process, finds
// the file instead of writing the picture once more.
TEST(Cli, ScansInSeveralProcessesShareTheCoverFile) {
    const ScratchDir dir;
    const QByteArray picture = QByteArray("\0image/jpeg\0\x03\0", 14) + QByteArray(4000, 'p');
    dir.write(u"a.mp3"_s, id3Tag(id3Frame("APIC", picture)) + mp3Audio());
    const QString cover = songNamed(scannedFolder(dir.path()), u"a.mp3"_s)[u"coverImagePath"_s].toString();
    EXPECT_TRUE(QFileInfo::exists(cover)) << cover.toStdString();
    EXPECT_EQ(songNamed(scannedFolder(dir.path()), u"a.mp3"_s)[u"coverImagePath"_s].toString(), cover);
}

TEST(Cli, ScanReportsWhatTheWindowWouldAlert) {
    const ScratchDir dir;
    const QString file = dir.write(u"a.mp3"_s, mp3Audio());
    const ScratchDir empty;
    const struct {
        QString path;
        QString alert;
    } cases[] = {
        {file, u"Error: The selected path is not a valid folder"_s},
        {empty.path(),
         u"No music files found!\n\nPlease make sure the folder contains music files with supported "
         "extensions:\nMP3, WAV, M4A, FLAC, AIFF, AIF, OGG, OGA, OPUS"_s},
    };
    for (const auto& c : cases) {
        const CliRun run = cli({u"scan"_s, c.path});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.alert + u'\n');
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(Cli, WrittenValuesShowInTheNextScan) {
    const ScratchDir dir;
    const QString cover = dir.write(u"cover.jpg"_s, imageBytes(Qt::darkGreen, 320, 320));
    for (const QString& name : {u"Old - One.mp3"_s, u"two.wav"_s, u"sub/three.m4a"_s, u"four.flac"_s}) {
        dir.write(name, plainFile(QFileInfo(name).suffix()));
    }
    const CliRun write =
        cli({u"write"_s, dir.path(), u"--title"_s, u"Écrit"_s, u"--artist="_s, u"--year"_s, u"1984"_s,
             u"--genre"_s, u"Synth"_s, u"--rating"_s, u"5"_s, u"--cover"_s, cover});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_EQ(write.out, u"✅ Tags written to 4 songs successfully!\n"_s);

    const QJsonObject folder = scannedFolder(dir.path());
    for (const QString& name : {u"Old - One.mp3"_s, u"two.wav"_s, u"three.m4a"_s, u"four.flac"_s}) {
        SCOPED_TRACE(name.toStdString());
        const QJsonObject song = songNamed(folder, name);
        EXPECT_EQ(song[u"name"_s].toString(), u"Écrit"_s);
        EXPECT_EQ(song[u"year"_s].toInt(), 1984);
        EXPECT_EQ(song[u"genre"_s].toString(), u"Synth"_s);
        EXPECT_EQ(song[u"rating"_s].toInt(), 5);
        EXPECT_TRUE(song[u"coverImagePath"_s].isString());
    }
    // An empty artist is written as no artist, so the file name's guess shows again.
    EXPECT_EQ(songNamed(folder, u"Old - One.mp3"_s)[u"artist"_s].toString(), u"Old"_s);

    const CliRun clear = cli({u"write"_s, dir.filePath(u"Old - One.mp3"_s), u"--no-cover"_s});
    EXPECT_EQ(clear.status, 0);
    EXPECT_TRUE(songNamed(scannedFolder(dir.path()), u"Old - One.mp3"_s)[u"coverImagePath"_s].isNull());
}

TEST(Cli, WriteFailuresGiveStatusOne) {
    const ScratchDir dir;
    const QString good = dir.write(u"good.mp3"_s, mp3Audio());
    const QString broken = dir.write(u"broken.wav"_s, "RIFF but no WAVE"_ba);
    const CliRun run = cli({u"write"_s, good, broken, u"--rating"_s, u"2"_s});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, u"⚠️ Tags: 1 success, 1 failed\n"_s);
    // The toast has no reasons; the terminal gets each failed file with its reason.
    EXPECT_EQ(run.err, broken + u": The file is not a RIFF/WAVE file.\n"_s);
    EXPECT_EQ(readAll(broken), "RIFF but no WAVE"_ba);
}

TEST(Cli, PathsThatAreNoMusicFilesAreNamedAndTheOthersWritten) {
    const ScratchDir dir;
    const QString notes = dir.write(u"notes.txt"_s, "not music"_ba);
    const CliRun alone = cli({u"write"_s, notes, u"--rating"_s, u"2"_s});
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err, u"quirella-cli: "_s + notes + u": not a supported music file\n"_s);
    EXPECT_TRUE(alone.out.isEmpty()) << alone.out.toStdString();

    const QString song = dir.write(u"song.mp3"_s, mp3Audio());
    const CliRun mixed = cli({u"write"_s, notes, song, u"--title"_s, u"Kept going"_s});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.err, u"quirella-cli: "_s + notes + u": not a supported music file\n"_s);
    EXPECT_EQ(mixed.out, u"✅ Tags written to 1 songs successfully!\n"_s);
    EXPECT_TRUE(readAll(song).contains("Kept going"));
    EXPECT_EQ(readAll(notes), "not music"_ba);
}

} // namespace
