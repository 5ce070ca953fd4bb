// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/FileRenaming.h"

#include "model/NoReplaceMove.h"
#include "model/Paths.h"
#include "operations/LoadedFolder.h"
#include "support/AudioFiles.h"
#include "support/Songs.h"

#include <QFile>

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

TEST(GenerateFileName, PatternsAndSanitising) {
    const Song abba = makeSong(u"Dancing Queen"_s, u"ABBA"_s, 1976, {}, 0, 120);
    const QList<std::tuple<Song, FileNamingPattern, QString>> rows = {
        {abba, FileNamingPattern::artistTitle, u"ABBA - Dancing Queen"_s},
        {abba, FileNamingPattern::artistTitleYear, u"ABBA - Dancing Queen (1976)"_s},
        {abba, FileNamingPattern::bpmArtistTitle, u"[120 BPM] ABBA - Dancing Queen"_s},
        {makeSong(u"Song"_s, {}, 1976), FileNamingPattern::artistTitle, u"Song"_s},
        {makeSong(u"Song"_s, u" "_s), FileNamingPattern::artistTitle, u"  - Song"_s},
        {makeSong(u"B"_s, u"A"_s), FileNamingPattern::artistTitleYear, u"A - B"_s},
        {makeSong(u"B"_s, u"A"_s), FileNamingPattern::bpmArtistTitle, u"A - B"_s},
        {makeSong(u"a\\b/c:d*e?f\"g<h>i|j.k"_s), FileNamingPattern::artistTitle, u"a_b_c_d_e_f_g_h_i_j.k"_s},
    };
    for (const auto& [song, pattern, expected] : rows) {
        EXPECT_EQ(generateFileName(song, pattern), expected);
    }
}

TEST(CleanBPMPrefix, RemovesLeadingTempoTags) {
    const QList<std::pair<QString, QString>> rows = {
        {u"[128 BPM] Artist - Song"_s, u"Artist - Song"_s},
        {u"[128bpm]Artist"_s, u"Artist"_s},
        {u"[128 BPM] [12] Artist"_s, u"Artist"_s},
        {u"[120 BPM]"_s, QString()},
        {u"[90 Bpm]\t Song \t"_s, u"Song"_s},
        {u"Artist [128 BPM]"_s, u"Artist [128 BPM]"_s},
        {u"[BPM] Song"_s, u"[BPM] Song"_s},
        {u"[12]Song [13]"_s, u"Song [13]"_s},
    };
    for (const auto& [name, expected] : rows) {
        EXPECT_EQ(cleanBPMPrefix(name), expected) << name.toStdString();
    }
}

// Each way of moving without replacing (the fallbacks serve file systems without renameat2).
TEST(NoReplaceMove, EveryStrategyRefusesAnExistingTarget) {
    for (const MoveStrategy strategy :
         {MoveStrategy::renameNoReplace, MoveStrategy::linkThenUnlink, MoveStrategy::reserveThenRename}) {
        SCOPED_TRACE(int(strategy));
        const ScratchDir dir;
        const QByteArray from = QFile::encodeName(dir.write(u"from.mp3"_s, "source"));
        const QByteArray taken = QFile::encodeName(dir.write(u"taken.mp3"_s, "someone else's"));
        EXPECT_EQ(moveWithoutReplacing(from, taken, strategy).code, MoveResult::Code::targetExists);
        EXPECT_EQ(readAll(QFile::decodeName(taken)), "someone else's");
        const QByteArray free = QFile::encodeName(dir.filePath(u"free.mp3"_s));
        EXPECT_EQ(moveWithoutReplacing(from, free, strategy).code, MoveResult::Code::moved);
        EXPECT_EQ(readAll(QFile::decodeName(free)), "source");
        const MoveResult missing = moveWithoutReplacing(from, taken + ".x", strategy);
        EXPECT_EQ(missing.code, MoveResult::Code::failed);
        EXPECT_FALSE(missing.description.isEmpty());
    }
}

FileBatchResult runRename(LoadedFolder& folder, FileNamingPattern pattern) {
    QFuture<FileBatchResult> batch = renameFiles(&folder.viewModel, pattern);
    EXPECT_TRUE(waitFor(batch, 120000));
    return batch.result();
}

TEST(RenameFiles, SmallFolderRenamesInPlaceAndReloads) {
    LoadedFolder folder;
    folder.add(u"01.mp3"_s, mp3Audio());
    folder.add(u"02.mp3"_s, mp3Audio());
    folder.add(u"03.MP3"_s, mp3Audio());
    folder.add(u"ABBA - Waterloo (1974).mp3"_s, mp3Audio());
    folder.load();
    const auto retag = [&](const QString& name, const QString& artist, const QString& title, qint64 year) {
        folder.edit(name, [&](Song& song) {
            song.artist = artist;
            song.name = title;
            song.year = year;
        });
    };
    retag(u"01.mp3"_s, u"ABBA"_s, u"Dancing Queen"_s, 1976);
    retag(u"02.mp3"_s, u"ABBA"_s, u"Dancing Queen"_s, 1976);
    retag(u"03.MP3"_s, {}, u"Who: Me?"_s, 0);
    retag(u"ABBA - Waterloo (1974).mp3"_s, u"ABBA"_s, u"Waterloo"_s, 1974);

    const FileBatchResult result = runRename(folder, FileNamingPattern::artistTitleYear);
    EXPECT_EQ(result.doneCount, 4);
    EXPECT_EQ(result.failureCount, 0);
    // The second song of the same name takes the first free suffix; extensions keep their case.
    EXPECT_EQ(folder.fileNames(),
              (QStringList{u"ABBA - Dancing Queen (1976).mp3"_s, u"ABBA - Dancing Queen (1976)_1.mp3"_s,
                           u"ABBA - Waterloo (1974).mp3"_s, u"Who_ Me_.MP3"_s}));
    EXPECT_EQ(folder.toastTexts,
              (QStringList{u"📝 Renaming 4 files..."_s, u"✅ 4 files renamed successfully!"_s}));
    EXPECT_TRUE(folder.overlayMessages.isEmpty());
    EXPECT_FALSE(folder.viewModel.showExportAlert());
    // The reload brought the new names, locations and bookmarks.
    QStringList loaded;
    for (const Song& song : folder.viewModel.currentFolder()->songs) {
        loaded.append(song.url.fileName());
        EXPECT_TRUE(QFile::exists(QString::fromUtf8(song.bookmarkData)));
    }
    loaded.sort();
    EXPECT_EQ(loaded, folder.fileNames());

    // A second run finds every file already named as the pattern says.
    const FileBatchResult again = runRename(folder, FileNamingPattern::artistTitleYear);
    EXPECT_EQ(again.doneCount, 4);
    EXPECT_EQ(folder.fileNames().size(), 4);
}

// More than twenty songs: the overlay instead of toasts, and an alert listing the first ten failures.
TEST(RenameFiles, LargeFolderListsTenFailuresAndStopsAfterNinetyEightSuffixes) {
    LoadedFolder folder;
    folder.add(u"Taken.mp3"_s, mp3Audio());
    for (int i = 1; i <= 98; ++i) {
        folder.add(u"Taken_%1.mp3"_s.arg(i), mp3Audio());
    }
    for (int i = 1; i <= 10; ++i) {
        folder.add(u"Song %1.mp3"_s.arg(i, 2, 10, QLatin1Char('0')), mp3Audio());
    }
    for (const QString& name : {u"A.mp3"_s, u"x.mp3"_s, u"y.wav"_s}) {
        folder.add(name, plainFile(QFileInfo(name).suffix()));
    }
    folder.load();
    for (const QString& name : {u"A.mp3"_s, u"x.mp3"_s, u"y.wav"_s}) {
        folder.edit(name, [&](Song& song) {
            song.artist.clear();
            song.name = name == u"A.mp3"_s ? QString() : u"Taken"_s;
        });
    }
    QStringList lines; // in the folder's order
    for (const Song& song : folder.viewModel.currentFolder()->songs) {
        if (song.name.startsWith(u"Song"_s)) {
            ASSERT_TRUE(QFile::remove(song.url.toLocalFile()));
            lines.append(song.name + u" - File not found"_s);
        } else if (song.name.isEmpty()) {
            lines.append(u" - Invalid name generated"_s);
        } else if (song.url.fileName() == u"x.mp3"_s) {
            lines.append(u"Taken - Too many duplicates"_s);
        }
    }
    ASSERT_EQ(lines.size(), 12);

    const FileBatchResult result = runRename(folder, FileNamingPattern::artistTitle);
    EXPECT_EQ(result.doneCount, 100);
    EXPECT_EQ(result.errorLines, lines);
    EXPECT_EQ(folder.viewModel.exportAlertMessage(),
              u"Rename operation completed with issues:\n✅ Success: 100 files\n❌ Failed: 12 files\n\n"
              u"Failed files:\n"_s +
                  lines.mid(0, 10).join(u'\n') + u"\n...and 2 more"_s);
    EXPECT_TRUE(folder.viewModel.showExportAlert());
    EXPECT_EQ(folder.overlayMessages, QStringList{u"Renaming files..."_s});
    EXPECT_TRUE(folder.details.contains(u"Renaming file 112 of 112"_s));
    EXPECT_FALSE(folder.progress.isVisible());
    EXPECT_TRUE(folder.toastTexts.isEmpty());
    // Another extension is another name.
    EXPECT_TRUE(QFile::exists(folder.dir.filePath(u"Taken.wav"_s)));
    EXPECT_TRUE(QFile::exists(folder.dir.filePath(u"x.mp3"_s)));
}

// A written pattern: the preview's names are the ones the files get; a song the pattern needs an empty
// field for is skipped, not failed; a taken name gets a suffix; a long name is cut to the file system's
// limit at a character's end; a folder whose name is not UTF-8 keeps its bytes.
TEST(RenameFiles, WrittenPatternAsPreviewed) {
    LoadedFolder folder;
    const QByteArray cafe = QFile::encodeName(folder.dir.path()) + "/Caf\xE9";
    ASSERT_EQ(::mkdir(cafe.constData(), 0700), 0);
    for (const QByteArray& name : {QByteArray("/a.mp3"), QByteArray("/01. A - T.mp3")}) {
        std::FILE* file = std::fopen((cafe + name).constData(), "wb");
        ASSERT_TRUE(file);
        const QByteArray bytes = name == "/a.mp3" ? mp3Audio() : plainFile(u"mp3"_s);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file);
        std::fclose(file);
    }
    folder.add(u"b.mp3"_s, mp3Audio());
    folder.load();
    const QString longTitle(200, u'é');
    folder.viewModel.applyChange(false, [&](MusicFolder& loaded) {
        for (Song& song : loaded.songs) {
            const bool a = song.bookmarkData.endsWith("/a.mp3");
            if (a || song.bookmarkData.endsWith("/b.mp3")) {
                song.name = a ? u"T"_s : longTitle;
                song.artist = u"A"_s;
                song.track = {a ? 1 : 2, 0};
            }
        }
    });
    const NamePattern pattern = *parseNamePattern(u"%track%. %artist% - %title%"_s).pattern;
    QStringList planned;
    for (const Song& song : folder.viewModel.currentFolder()->songs) {
        const PlannedName plan = planFileName(song, pattern);
        planned.append(plan.newName.isEmpty() ? plan.oldName + u": "_s + plan.skipReason : plan.newName);
    }
    planned.sort();
    const QString cut = u"02. A - "_s + QString(121, u'é') + u".mp3"_s; // 254 bytes: 255 would split an é
    EXPECT_EQ(planned, (QStringList{u"01. A - T.mp3"_s, u"01. A - T.mp3: %track% is empty"_s, cut}));

    QFuture<FileBatchResult> batch = renameFiles(&folder.viewModel, pattern);
    ASSERT_TRUE(waitFor(batch, 120000));
    EXPECT_EQ(batch.result().failureCount, 0);
    EXPECT_EQ(batch.result().skippedLines, QStringList{u"T - %track% is empty"_s}); // its guessed title
    EXPECT_EQ(folder.toastTexts.last(), u"✅ 2 files renamed successfully! (1 skipped)"_s);
    EXPECT_EQ(folder.fileNames(), QStringList{cut});
    // Found by the folder's raw bytes: Qt would decode the name.
    EXPECT_EQ(::access((cafe + "/01. A - T_1.mp3").constData(), F_OK), 0);
    EXPECT_EQ(::access((cafe + "/01. A - T.mp3").constData(), F_OK), 0);
    EXPECT_EQ(::access((cafe + "/a.mp3").constData(), F_OK), -1);
    // QTemporaryDir cannot remove what it cannot name.
    for (const char* name : {"/01. A - T_1.mp3", "/01. A - T.mp3"}) {
        ::unlink((cafe + name).constData());
    }
    ::rmdir(cafe.constData());
}

TEST(CleanBPMFromFilenames, RemovesTagsWithoutReplacingFiles) {
    LoadedFolder folder;
    // What a prefix is belongs to CleanBPMPrefix; here a name left empty and a name already taken.
    for (const QString& name : {u"[128 BPM] Artist - Song.wav"_s, u"[120 BPM].mp3"_s, u"Plain - Name.mp3"_s,
                                u"[100 BPM] Plain - Name.mp3"_s}) {
        folder.add(name, plainFile(QFileInfo(name).suffix()));
    }
    folder.load();
    bool stopped = false;
    PlaybackHooks playback{[] { return true; }, [&] { stopped = true; }};
    QFuture<FileBatchResult> batch = cleanBPMFromFilenames(&folder.viewModel, playback);
    ASSERT_TRUE(waitFor(batch, 120000));
    EXPECT_TRUE(stopped);
    EXPECT_EQ(batch.result().doneCount, 4);
    EXPECT_EQ(folder.fileNames(), (QStringList{u"Artist - Song.wav"_s, u"Plain - Name.mp3"_s,
                                               u"Plain - Name_1.mp3"_s, u"[120 BPM].mp3"_s}));
    EXPECT_EQ(folder.toastTexts,
              (QStringList{u"🧹 Cleaning BPM from 4 files..."_s, u"✅ BPM cleaned from 4 files!"_s}));
    EXPECT_EQ(folder.viewModel.currentFolder()->songs.size(), 4);
}

} // namespace
