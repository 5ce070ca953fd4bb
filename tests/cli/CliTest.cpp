// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli and quirella run as separate processes on real files: each command's wiring, its output,
// its messages and its exit status, and the manual pages beside --help. The rules behind the commands are
// tested where they live.
#include "support/AudioFiles.h"
#include "support/ClickTracks.h"
#include "support/LocalHttpServer.h"
#include "support/TagReadBack.h"
#include "support/TestSupport.h"
#include "support/XiphFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun runProgram(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(180000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

CliRun cli(const QStringList& arguments) {
    return runProgram(QStringLiteral(QUIRELLA_CLI_PATH), arguments);
}

QJsonArray songsOf(const CliRun& run) {
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out.toUtf8()).object().value(u"songs"_s).toArray();
}

QJsonObject songNamed(const QJsonArray& songs, const QString& fileName) {
    for (const QJsonValue& song : songs) {
        if (QUrl(song[u"url"_s].toString()).fileName() == fileName) {
            return song.toObject();
        }
    }
    ADD_FAILURE() << "no song for " << fileName.toStdString();
    return {};
}

QJsonObject scanned(const ScratchDir& dir, const QString& fileName) {
    return songNamed(songsOf(cli({u"scan"_s, dir.path()})), fileName);
}

const QString notAFolder = u"Error: The selected path is not a valid folder"_s;

TEST(Cli, HelpVersionAndWrongArguments) {
    const CliRun help = cli({u"--help"_s});
    EXPECT_EQ(help.status, 0); // what it prints is compared with the manual page
    // Both programs name themselves and the build's version, without a display for the window.
    for (const auto& [program, name] : {std::pair{QStringLiteral(QUIRELLA_CLI_PATH), u"quirella-cli"_s},
                                        std::pair{QStringLiteral(QUIRELLA_WINDOW_PATH), u"quirella"_s}}) {
        const CliRun version = runProgram(program, {u"--version"_s});
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, name + u" (Quirella Tag-Editor) " QUIRELLA_VERSION "\n"_s);
    }

    const ScratchDir dir;
    const QString song = dir.write(u"a.mp3"_s, mp3Audio());
    const QString folder = dir.path();
    const QList<QStringList> wrong = {
        {},
        {u"play"_s},
        {u"scan"_s},
        {u"scan"_s, folder, folder},
        {u"scan"_s, folder, u"--max-songs"_s},
        {u"scan"_s, folder, u"--max-songs=0"_s},
        {u"clean-bpm"_s, folder, u"--max-songs"_s, u"1"_s, u"--max-songs"_s, u"2"_s},
        {u"write"_s},
        {u"write"_s, song, u"--rating"_s, u"6"_s},
        {u"write"_s, song, u"--year"_s, u"next year"_s},
        {u"write"_s, song, u"--title"_s},
        {u"write"_s, song, u"--title"_s, u"A"_s, u"--title"_s, u"B"_s},
        {u"write"_s, song, u"--cover"_s, song, u"--no-cover"_s},
        {u"write"_s, song, u"--cover"_s, dir.filePath(u"missing.jpg"_s)},
        {u"write"_s, song, u"--tempo"_s, u"120"_s},
        {u"write"_s, song, u"--track"_s, u"3/2"_s},
        {u"write"_s, song, u"--bpm"_s, u"0"_s},
        {u"write"_s, dir.filePath(u"missing.mp3"_s)},
        {u"edit"_s, song},
        {u"edit"_s, u"--swap"_s},
        {u"edit"_s, song, u"--uppercase"_s, u"year"_s},
        {u"edit"_s, song, u"--title-case"_s},
        {u"edit"_s, song, u"--clear"_s, u"bpm"_s},
        {u"edit"_s, song, u"--replace"_s, u"title"_s},
        {u"edit"_s, song, u"--set-rating"_s, u"5"_s},
        {u"edit"_s, song, u"--set-rating"_s, u"0"_s},
        {u"edit"_s, song, u"--remove"_s, QString()},
        {u"edit"_s, song, u"--remove-replacement"_s, u"x"_s},
        {u"edit"_s, song, u"--remove"_s, u"a"_s, u"--remove-replacement"_s, u"x"_s, u"--remove-replacement"_s,
         u"y"_s},
        {u"edit"_s, song, u"--replace-text"_s, QString(), u"x"_s},
        {u"edit"_s, song, u"--shuffle"_s},
        {u"edit"_s, song, u"--cover-all"_s},
        {u"edit"_s, dir.filePath(u"missing.mp3"_s), u"--swap"_s},
        {u"bpm"_s},
        {u"rename"_s, folder},
        {u"rename"_s, folder, u"--pattern"_s, u"title-artist"_s},
        {u"rename"_s, folder, folder, u"--pattern=artist-title"_s},
        {u"rename"_s, folder, u"--pattern=artist-title"_s, u"--pattern=artist-title"_s},
        {u"rename"_s, folder, u"--pattern"_s, u"%titel% - %artist%"_s},
        {u"rename"_s, folder, u"--pattern"_s, u"%artist%/%title%"_s},
        {u"tag-from-name"_s, song},
        {u"tag-from-name"_s, song, u"--pattern"_s, u"%artist%%title%"_s, u"--write"_s},
        {u"clean-bpm"_s, folder, u"--all"_s},
        {u"lookup"_s, u"Only artist"_s},
        {u"auto-search"_s, folder},
        {u"auto-search"_s, folder, u"--years"_s, u"--genres"_s},
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

TEST(Cli, ScanPrintsTheLoadedFolderOrWhatTheWindowWouldAlert) {
    const ScratchDir dir;
    const QByteArray tag = id3Tag(id3Frame("APIC", apicBody(imageBytes(Qt::red))));
    const QString file = dir.write(u"Artist - Song.mp3"_s, tag + mp3Audio());
    // A relative path through a link, ending in ".", names the folder it stands for, as the window does.
    const ScratchDir elsewhere;
    ASSERT_TRUE(QFile::link(dir.path(), elsewhere.filePath(u"link"_s)));
    const CliRun run =
        cli({u"scan"_s, QDir::current().relativeFilePath(elsewhere.filePath(u"link"_s)) + u"/."_s});
    const QJsonObject folder = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(folder.keys(), (QStringList{u"id"_s, u"name"_s, u"path"_s, u"songs"_s}));
    EXPECT_EQ(QUrl(folder[u"path"_s].toString()), QUrl::fromLocalFile(dir.path()));
    EXPECT_EQ(folder[u"name"_s].toString(), QFileInfo(dir.path()).fileName());
    const QJsonObject song = songNamed(songsOf(run), u"Artist - Song.mp3"_s);
    EXPECT_TRUE(song[u"isMetadataLoaded"_s].toBool());
    // A cover is kept in one file named after its bytes: another process finds it instead of writing it.
    const QString cover = song[u"coverImagePath"_s].toString();
    EXPECT_TRUE(QFileInfo::exists(cover)) << cover.toStdString();
    EXPECT_EQ(scanned(dir, u"Artist - Song.mp3"_s)[u"coverImagePath"_s].toString(), cover);

    // What the window would alert goes to standard error.
    const CliRun refused = cli({u"scan"_s, file});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, notAFolder + u'\n');
    EXPECT_TRUE(refused.out.isEmpty());
    // --max-songs stands for the window's preference.
    dir.write(u"Second.mp3"_s, mp3Audio());
    const CliRun tooMany = cli({u"scan"_s, dir.path(), u"--max-songs"_s, u"1"_s});
    EXPECT_EQ(tooMany.status, 1);
    EXPECT_TRUE(tooMany.err.contains(u"Found: 2 songs\nMaximum allowed: 1 songs"_s))
        << tooMany.err.toStdString();
}

// FFmpeg and the hundred libraries it pulls in are the larger part of a start: only a command that
// decodes may load them. The dynamic loader's own trace says what was loaded.
TEST(Cli, OnlyDecodingCommandsLoadFFmpeg) {
    const ScratchDir dir;
    dir.write(u"Artist - Song.mp3"_s, mp3Audio());
    const QString wav = dir.write(u"clicks.wav"_s, wavFile());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_DEBUG"_s, u"files"_s);
    const auto loads = [&](const QStringList& arguments) {
        return runProgram(QStringLiteral(QUIRELLA_CLI_PATH), arguments, environment)
            .err.contains(u"libavformat"_s);
    };
    EXPECT_FALSE(loads({u"scan"_s, dir.path()}));
    EXPECT_TRUE(loads({u"bpm"_s, wav}));
}

TEST(Cli, WrittenValuesShowInTheNextScan) {
    const ScratchDir dir;
    const QString cover = dir.write(u"cover.jpg"_s, imageBytes(Qt::darkGreen, 320, 320));
    for (const QString& name : {u"Old - One.mp3"_s, u"two.wav"_s, u"sub/three.m4a"_s, u"four.flac"_s}) {
        dir.write(name, plainFile(QFileInfo(name).suffix()));
    }
    const CliRun write = cli({u"write"_s,     dir.path(),    u"--title"_s,   u"Écrit"_s,
                              u"--artist="_s, u"--year"_s,   u"1984"_s,      u"--genre"_s,
                              u"Synth"_s,     u"--rating"_s, u"5"_s,         u"--cover"_s,
                              cover,          u"--album"_s,  u"Homogenic"_s, u"--album-artist"_s,
                              u"Björk"_s,     u"--track"_s,  u" 3 / 12 "_s,  u"--disc=1"_s,
                              u"--bpm"_s,     u"120"_s});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_EQ(write.out, u"✅ Tags written to 4 songs successfully!\n"_s);

    // Each format's writing is the batch's; here, each value reaches the file of the folder's subfolder.
    const QJsonObject song = scanned(dir, u"three.m4a"_s);
    EXPECT_EQ(song[u"name"_s].toString(), u"Écrit"_s);
    EXPECT_EQ(song[u"year"_s].toInt(), 1984);
    EXPECT_EQ(song[u"genre"_s].toString(), u"Synth"_s);
    EXPECT_EQ(song[u"rating"_s].toInt(), 5);
    EXPECT_TRUE(song[u"coverImagePath"_s].isString());
    EXPECT_EQ(QStringList({song[u"album"_s].toString(), song[u"albumArtist"_s].toString()}),
              QStringList({u"Homogenic"_s, u"Björk"_s}));
    EXPECT_EQ(QList<int>({song[u"track"_s].toInt(), song[u"trackTotal"_s].toInt(), song[u"disc"_s].toInt(),
                          song[u"discTotal"_s].toInt()}),
              QList<int>({3, 12, 1, 0}));
    // An empty artist is written as no artist, so the file name's guess shows again.
    EXPECT_EQ(scanned(dir, u"Old - One.mp3"_s)[u"artist"_s].toString(), u"Old"_s);

    EXPECT_EQ(cli({u"write"_s, dir.filePath(u"Old - One.mp3"_s), u"--no-cover"_s}).status, 0);
    EXPECT_TRUE(scanned(dir, u"Old - One.mp3"_s)[u"coverImagePath"_s].isNull());
}

TEST(Cli, WriteNamesFailedFilesAndPathsThatAreNoMusicAndGivesStatusOne) {
    const ScratchDir dir;
    const QString good = dir.write(u"good.mp3"_s, mp3Audio());
    const QString broken = dir.write(u"broken.wav"_s, "RIFF but no WAVE"_ba);
    const QString notes = dir.write(u"notes.txt"_s, "not music"_ba);
    const CliRun failed = cli({u"write"_s, good, broken, u"--rating"_s, u"2"_s});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, u"⚠️ Tags: 1 success, 1 failed\n"_s);
    // The toast has no reasons; the terminal gets each failed file with its reason.
    EXPECT_EQ(failed.err, broken + u": The file is not a RIFF/WAVE file.\n"_s);

    const QString unsupported = u"quirella-cli: "_s + notes + u": not a supported music file\n"_s;
    // A pipe would block the loading and a device never end: they are named and left out at once.
    const QString pipe = dir.filePath(u"pipe.mp3"_s);
    ASSERT_TRUE(::mkfifo(QFile::encodeName(pipe).constData(), 0644) == 0 &&
                QFile::link(u"/dev/zero"_s, dir.filePath(u"zero.mp3"_s)));
    const CliRun alone = cli({u"write"_s, notes, pipe, dir.filePath(u"zero.mp3"_s), u"--rating"_s, u"2"_s});
    EXPECT_EQ(alone.status, 1);
    EXPECT_TRUE(alone.err.startsWith(unsupported) && alone.err.count(u"not a regular file"_s) == 2)
        << alone.err.toStdString();
    EXPECT_TRUE(alone.out.isEmpty()) << alone.out.toStdString();
    const CliRun mixed = cli({u"write"_s, notes, good, u"--title"_s, u"Kept going"_s});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_EQ(mixed.err, unsupported);
    EXPECT_EQ(mixed.out, u"✅ Tags written to 1 songs successfully!\n"_s);
    EXPECT_TRUE(readAll(good).contains("Kept going"));
}

// name, artist, genre and rating of each printed song, by file name.
QMap<QString, QStringList> printedSongs(const CliRun& run) {
    QMap<QString, QStringList> songs;
    for (const QJsonValue& value : songsOf(run)) {
        const QJsonObject song = value.toObject();
        songs.insert(QUrl(song[u"url"_s].toString()).fileName(),
                     {song[u"name"_s].toString(), song[u"artist"_s].toString(), song[u"genre"_s].toString(),
                      QString::number(song[u"rating"_s].toInteger())});
    }
    return songs;
}

TEST(CliEdit, RunsTheOperationsInOrderAndWritesOnlyWhenAsked) {
    const ScratchDir dir;
    const QString first = dir.write(u"ABBA - dancing queen (1976) feat Benny.mp3"_s, mp3Audio());
    dir.write(u"Zoë - Café Noir.mp3"_s, mp3Audio());

    // The two --remove terms act together where the first stands: before the title case.
    const CliRun run =
        cli({u"edit"_s, dir.path(), u"--remove"_s, u"FEAT"_s, u"--title-case"_s, u"title"_s, u"--remove"_s,
             u"benny"_s, u"--remove-replacement"_s, u"+"_s, u"--set-genre"_s, u"pop"_s, u"--uppercase"_s,
             u"genre"_s, u"--set-rating"_s, u"2"_s, u"--replace"_s, u"year"_s, u"1899"_s});
    const QMap<QString, QStringList> songs = printedSongs(run);
    EXPECT_EQ(songs.value(u"ABBA - dancing queen (1976) feat Benny.mp3"_s),
              (QStringList{u"Dancing Queen (1976) + +"_s, u"ABBA"_s, u"POP"_s, u"2"_s}));
    EXPECT_EQ(songs.value(u"Zoë - Café Noir.mp3"_s),
              (QStringList{u"Café Noir"_s, u"Zoë"_s, u"POP"_s, u"2"_s}));
    EXPECT_TRUE(run.err.contains(u"1899"_s)); // the year that changed nothing is named, not an error
    EXPECT_EQ(readAll(first), mp3Audio());    // nothing written without --write

    const CliRun swapped =
        cli({u"edit"_s, dir.path(), u"--swap"_s, u"--clean-characters"_s, u"--replace-text"_s, u"Zoe"_s,
             u"Zed"_s, u"--number-tracks"_s, u"--replace"_s, u"album-artist"_s, u"Various"_s});
    EXPECT_EQ(printedSongs(swapped).value(u"Zoë - Café Noir.mp3"_s).mid(0, 2),
              (QStringList{u"Zed"_s, u"Cafe Noir"_s}));
    const QJsonObject second = songNamed(songsOf(swapped), u"Zoë - Café Noir.mp3"_s);
    EXPECT_EQ(QStringList({second[u"albumArtist"_s].toString(), QString::number(second[u"track"_s].toInt()),
                           QString::number(second[u"trackTotal"_s].toInt())}),
              QStringList({u"Various"_s, u"2"_s, u"2"_s}));

    const CliRun written = cli({u"edit"_s, first, u"--uppercase"_s, u"all"_s, u"--write"_s});
    ASSERT_EQ(written.status, 0) << written.err.toStdString();
    EXPECT_TRUE(written.out.startsWith(u"✅"_s)) << written.out.toStdString();
    EXPECT_EQ(scanned(dir, QFileInfo(first).fileName())[u"name"_s].toString(),
              u"DANCING QUEEN (1976) FEAT BENNY"_s);
}

// The front cover each file carries, as TagLib reads it (a null image for none).
QImage frontCover(const QString& path) {
    const Id3File read = openId3(path);
    for (auto* frame : read.frames("APIC")) {
        const auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (picture && picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
            return QImage::fromData(qb(picture->picture()));
        }
    }
    return {};
}

TEST(CliEdit, CoverAllWritesThePictureClearCoversTakesItOutAndARefusedPictureTouchesNothing) {
    const ScratchDir dir;
    const QString one = dir.write(u"one.mp3"_s, mp3Audio());
    const QString two = dir.write(u"two.mp3"_s, mp3Audio());
    const CliRun refused = cli({u"edit"_s, one, u"--cover-all"_s,
                                dir.write(u"cover.gif"_s, imageBytes(Qt::red, 10, 10, "PNG")), u"--write"_s});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, u"Please use PNG or JPEG images only\n"_s);
    EXPECT_EQ(readAll(one), mp3Audio());

    const QString picture = dir.write(u"Cover.JPG"_s, imageBytes(Qt::blue, 900, 600, "JPEG"));
    CliRun run = cli({u"edit"_s, dir.path(), u"--cover-all"_s, picture, u"--write"_s});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"✅ Cover applied to 2 songs"_s)) << run.err.toStdString();
    EXPECT_EQ(frontCover(one).size(), QSize(300, 200));
    EXPECT_EQ(frontCover(two).size(), QSize(300, 200));

    run = cli({u"edit"_s, two, u"--clear-covers"_s, u"--write"_s});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"🗑️ All covers cleared"_s));
    EXPECT_TRUE(frontCover(two).isNull());
    EXPECT_FALSE(frontCover(one).isNull());
}

TEST(CliFileCommands, BpmRenameWithTempoAndCleanTheTempoAgain) {
    const ScratchDir dir;
    const QString songs = dir.filePath(u"songs"_s);
    const QString fast = dir.write(u"songs/Artist - Song.wav"_s, clickTrackWav(120, 12));
    const QString slow = dir.write(u"songs/Other - Tune.wav"_s, clickTrackWav(90, 12));
    const QString broken = dir.write(u"broken.mp3"_s, "not audio at all, not audio at all");
    const CliRun bpm = cli({u"bpm"_s, broken, songs + u"/./"_s}); // the folder's own paths, without "."
    EXPECT_EQ(bpm.status, 1);
    EXPECT_EQ(bpm.out, u"120\t"_s + fast + u"\n90\t"_s + slow + u'\n'); // in load order
    EXPECT_TRUE(bpm.err.startsWith(broken + u": "_s)) << bpm.err.toStdString();

    const CliRun renamed =
        cli({u"rename"_s, songs, u"--pattern"_s, u"bpm-artist-title"_s, u"--analyze-bpm"_s});
    EXPECT_EQ(renamed.status, 0) << renamed.err.toStdString();
    EXPECT_EQ(renamed.out, u"✅ 2 files renamed successfully!\n"_s);
    EXPECT_EQ(QDir(songs).entryList(QDir::Files, QDir::Name),
              (QStringList{u"[120 BPM] Artist - Song.wav"_s, u"[90 BPM] Other - Tune.wav"_s}));

    const CliRun clean = cli({u"clean-bpm"_s, songs + u"/../songs"_s});
    EXPECT_EQ(clean.status, 0) << clean.err.toStdString();
    EXPECT_EQ(clean.out, u"✅ BPM cleaned from 2 files!\n"_s);
    EXPECT_EQ(QDir(songs).entryList(QDir::Files, QDir::Name),
              (QStringList{u"Artist - Song.wav"_s, u"Other - Tune.wav"_s}));
    const CliRun missing = cli({u"clean-bpm"_s, dir.filePath(u"nowhere"_s)});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, notAFolder + u'\n');
}

// Name patterns both ways: tags from a name and its folders (a name that does not match is named), the
// dry run's "old<TAB>new", then the rename by the same kind of pattern.
TEST(CliFileCommands, TagsFromNamesAndNamesFromTags) {
    const ScratchDir dir;
    const QString album = dir.filePath(u"Björk/Homogenic (1997)"_s);
    dir.write(u"Björk/Homogenic (1997)/03. Jóga.mp3"_s, mp3Audio());
    dir.write(u"Björk/Homogenic (1997)/Bonus.mp3"_s, mp3Audio());
    const QString pattern = u"%artist%/%album% (%year%)/%track%. %title%"_s;
    const CliRun printed = cli({u"tag-from-name"_s, album, u"--pattern"_s, pattern});
    EXPECT_EQ(printed.status, 1);
    EXPECT_EQ(printed.err, album + u"/Bonus.mp3: the name does not match the pattern\n"_s);
    const QJsonArray songs = QJsonDocument::fromJson(printed.out.toUtf8()).object()[u"songs"_s].toArray();
    const QJsonObject joga = songNamed(songs, u"03. Jóga.mp3"_s);
    EXPECT_EQ(
        (QStringList{joga[u"name"_s].toString(), joga[u"artist"_s].toString(), joga[u"album"_s].toString()}),
        (QStringList{u"Jóga"_s, u"Björk"_s, u"Homogenic"_s}));
    EXPECT_EQ(readAll(album + u"/Bonus.mp3"_s), mp3Audio()); // printed, not written

    const CliRun written = cli({u"tag-from-name"_s, album, u"--pattern="_s + pattern, u"--write"_s});
    EXPECT_EQ(written.status, 1);
    const QJsonObject tagged = scanned(dir, u"03. Jóga.mp3"_s);
    EXPECT_EQ(std::pair(tagged[u"year"_s].toInt(), tagged[u"track"_s].toInt()), std::pair(1997, 3));

    const QString named = u"%track% - %title% (%year%)"_s;
    const CliRun dry = cli({u"rename"_s, album, u"--pattern"_s, named, u"--dry-run"_s});
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(dry.out, u"03. Jóga.mp3\t03 - Jóga (1997).mp3\n"_s);
    EXPECT_EQ(dry.err, u"Bonus.mp3: skipped: %track% is empty\n"_s);
    EXPECT_EQ(QDir(album).entryList(QDir::Files, QDir::Name),
              (QStringList{u"03. Jóga.mp3"_s, u"Bonus.mp3"_s}));
    const CliRun renamed = cli({u"rename"_s, album, u"--pattern"_s, named});
    EXPECT_EQ(renamed.status, 0) << renamed.err.toStdString();
    EXPECT_EQ(QDir(album).entryList(QDir::Files, QDir::Name),
              (QStringList{u"03 - Jóga (1997).mp3"_s, u"Bonus.mp3"_s}));
}

// FLAC, Ogg Vorbis and Opus files as a user with such a folder meets them: listed with the fields of
// their comments, written, and decoded for their tempo.
TEST(CliFileCommands, XiphFilesAreListedWrittenAndDecoded) {
    const ScratchDir dir;
    const QList<std::pair<QByteArray, QByteArray>> comments = {
        {"TITLE", "Nuit"}, {"ARTIST", "Zoë"}, {"DATE", "1999-05-01"}, {"FMPS_RATING", "0.8"}};
    for (const QString& name : {u"a.flac"_s, u"b.ogg"_s, u"c.opus"_s}) {
        ASSERT_FALSE(xiph::taggedFile(dir, name, comments, {}).isEmpty());
    }
    dir.write(u"d.oga"_s, readAll(dir.filePath(u"b.ogg"_s)));
    const QJsonArray songs = songsOf(cli({u"scan"_s, dir.path()}));
    ASSERT_EQ(songs.size(), 4);
    for (const QJsonValue& song : songs) {
        SCOPED_TRACE(song[u"fileExtension"_s].toString().toStdString());
        EXPECT_EQ(song[u"name"_s].toString() + song[u"artist"_s].toString(), u"NuitZoë"_s);
        EXPECT_EQ(song[u"rating"_s].toInt(), 4);
        EXPECT_GT(song[u"duration"_s].toDouble(), 0.9);
    }
    EXPECT_EQ(cli({u"write"_s, dir.path(), u"--genre"_s, u"Jazz"_s}).out,
              u"✅ Tags written to 4 songs successfully!\n"_s);
    for (const QString& name : {u"a.flac"_s, u"b.ogg"_s, u"c.opus"_s, u"d.oga"_s}) {
        EXPECT_TRUE(xiph::partsOf(dir.filePath(name)).comments.contains("GENRE=Jazz")) << name.toStdString();
    }
    const CliRun tempo = cli({u"bpm"_s, dir.filePath(u"b.ogg"_s), dir.filePath(u"c.opus"_s)});
    EXPECT_EQ(tempo.status, 0) << tempo.err.toStdString();
    EXPECT_EQ(tempo.out.count(u'\n'), 2) << tempo.out.toStdString();
}

// `lookup` and `auto-search` against a local catalogue named by the environment.
class OnlineCli : public ::testing::Test {
protected:
    OnlineCli() {
        server.setHandler([](const ServedRequest& request) {
            if (request.target.startsWith("/itunes/") && request.target.contains("Daft%20Punk")) {
                return ServedReply::json(R"({"results":[{"trackName":"One More Time","artistName":"Daft Punk",
                    "releaseDate":"2000-11-30T08:00:00Z","primaryGenreName":"Dance"}]})");
            }
            return ServedReply::json(request.target.startsWith("/itunes/") ? R"({"results":[]})"
                                                                           : R"({"recordings":[]})");
        });
        setOnline(true);
    }
    ~OnlineCli() override { setOnline(true); }

    // The command line keeps the window's preferences.
    static void setOnline(bool online) {
        QSettings settings(u"Quirella"_s, u"Quirella Tag-Editor"_s);
        settings.setValue(u"NetworkModeEnabled"_s, online);
        settings.sync();
    }

    CliRun online(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const QString base = server.url().toString();
        environment.insert(u"QUIRELLA_ITUNES_URL"_s, base + u"/itunes"_s);
        environment.insert(u"QUIRELLA_MUSICBRAINZ_URL"_s, base + u"/mb"_s);
        environment.insert(u"QUIRELLA_COVERART_URL"_s, base + u"/caa"_s);
        return runProgram(QStringLiteral(QUIRELLA_CLI_PATH), arguments, environment);
    }

    LocalHttpServer server;
};

TEST_F(OnlineCli, LookupPrintsTheRecordAndAutoSearchFillsTheFolderAndWritesWhenAsked) {
    const CliRun found = online({u"lookup"_s, u"Daft Punk"_s, u"One More Time"_s});
    ASSERT_EQ(found.status, 0) << found.err.toStdString();
    const QJsonObject record = QJsonDocument::fromJson(found.out.toUtf8()).object();
    EXPECT_EQ(record.value(u"title"_s).toString(), u"One More Time"_s);
    EXPECT_EQ(record.value(u"year"_s).toInt(), 2000);
    EXPECT_EQ(record.value(u"genre"_s).toString(), u"Dance"_s);
    EXPECT_FALSE(record.contains(u"coverURL"_s));

    const CliRun missing = online({u"lookup"_s, u"Nobody"_s, u"Nothing"_s});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, u"No results\n"_s);
    EXPECT_TRUE(missing.out.isEmpty());

    const ScratchDir dir;
    dir.write(u"Daft Punk - One More Time.mp3"_s, mp3Audio());
    dir.write(u"Nobody - Nothing.mp3"_s, mp3Audio());
    const CliRun search = online({u"auto-search"_s, dir.path(), u"--years"_s});
    EXPECT_EQ(search.err, u"✅ Found 1 years, 1 failed\n"_s);
    EXPECT_EQ(songNamed(songsOf(search), u"Daft Punk - One More Time.mp3"_s)[u"year"_s].toInt(), 2000);

    const CliRun written = online({u"auto-search"_s, dir.path(), u"--genres"_s, u"--write"_s});
    ASSERT_EQ(written.status, 0) << written.err.toStdString();
    EXPECT_EQ(scanned(dir, u"Daft Punk - One More Time.mp3"_s)[u"genre"_s].toString(), u"Dance"_s);

    setOnline(false);
    const CliRun offline = online({u"auto-search"_s, dir.path(), u"--covers"_s});
    EXPECT_EQ(offline.status, 1);
    EXPECT_EQ(offline.err, u"⚠️ Online Mode is disabled. Enable it from the top-left button.\n"_s);
}

QString flattened(QString text) {
    text.remove(QRegularExpression(u"[*_\\\\]"_s));
    return text.simplified();
}

// The manual pages say what --help says: every paragraph of each program's --help (the usage lines
// without "Usage:", each command's description without the command's name, each block of options)
// appears in its manual page, once the page's markup and both texts' line breaks are taken out.
TEST(ManualPage, SaysWhatHelpSays) {
    QProcessEnvironment english = QProcessEnvironment::systemEnvironment();
    english.insert(u"LANGUAGE"_s, u"en"_s);
    const QStringList commands{u"scan"_s,   u"write"_s,       u"bpm"_s,  u"rename"_s,       u"clean-bpm"_s,
                               u"lookup"_s, u"auto-search"_s, u"edit"_s, u"tag-from-name"_s};
    for (const auto& [program, page] :
         {std::pair{QStringLiteral(QUIRELLA_CLI_PATH), u"quirella-cli.1.scd"_s},
          std::pair{QStringLiteral(QUIRELLA_WINDOW_PATH), u"quirella.1.scd"_s}}) {
        SCOPED_TRACE(page.toStdString());
        const QString help = runProgram(program, {u"--help"_s}, english).out;
        QFile file(QStringLiteral(QUIRELLA_SOURCE_DIR "/man/") + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString manual = flattened(QString::fromUtf8(file.readAll()));
        const QStringList paragraphs = help.split(QRegularExpression(u"\n\\s*\n"_s), Qt::SkipEmptyParts);
        ASSERT_GE(paragraphs.size(), 3);
        for (QString paragraph : paragraphs) {
            paragraph = flattened(paragraph);
            if (paragraph.startsWith("Usage: "_L1)) {
                paragraph.remove(0, 7);
            }
            if (commands.contains(paragraph.section(u' ', 0, 0))) {
                paragraph = paragraph.section(u' ', 1);
            }
            EXPECT_TRUE(manual.contains(paragraph)) << "the manual page lacks: " << paragraph.toStdString();
        }
    }
}

} // namespace
