// SPDX-License-Identifier: GPL-3.0-or-later
// Files another program changes while the folder is open: a save writes over the file as it is now, the
// folder watch shows added, removed and changed files without losing the user's edits, and our own
// saves are not taken for another program's.
#include "app/FolderWatch.h"
#include "app/SongBuilder.h"
#include "operations/LoadedFolder.h"
#include "operations/TagWritingBatch.h"

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// An MP3 file as another program tags it.
QByteArray taggedMp3(QByteArrayView title, QByteArrayView genre) {
    return id3Tag(id3Frame("TIT2", textBody(title)) + id3Frame("TCON", textBody(genre))) + mp3Audio();
}

QStringList titleAndGenre(const Song& song) {
    return {song.name, song.genre};
}

TagBatchResult save(LoadedFolder& folder, TagBatchOptions options = {}) {
    QFuture<TagBatchResult> batch =
        writeTagsToFiles(&folder.viewModel, &folder.progress, &folder.toasts, {}, options);
    EXPECT_TRUE(waitFor(batch, 120000));
    QCoreApplication::processEvents();
    return batch.result();
}

void check(FolderWatch& watch) {
    ASSERT_TRUE(waitFor(watch.checkNow(), 120000));
    QCoreApplication::processEvents();
}

TEST(OutsideChanges, ASaveKeepsWhatAnotherProgramChangedSinceTheLoad) {
    for (const bool refuse : {false, true}) {
        LoadedFolder folder;
        folder.add(u"mine.mp3"_s, taggedMp3("Mine", "Rock"));
        folder.add(u"theirs.mp3"_s, taggedMp3("Theirs", "Rock"));
        folder.load();
        folder.edit(u"mine.mp3"_s, [](Song& song) { song.name = u"Edited"_s; });
        const QByteArray mine = taggedMp3("Mine", "Jazz by them");
        writeAll(folder.dir.filePath(u"mine.mp3"_s), mine);
        writeAll(folder.dir.filePath(u"theirs.mp3"_s), taggedMp3("Theirs", "Blues by them"));

        TagBatchOptions options;
        options.refuseChangedFiles = refuse;
        const TagBatchResult result = save(folder, options);
        EXPECT_EQ(titleAndGenre(*createSong(folder.dir.filePath(u"theirs.mp3"_s))),
                  (QStringList{u"Theirs"_s, u"Blues by them"_s}));
        if (refuse) {
            EXPECT_EQ(result.errorLines, QStringList{u"Edited: changed on disk since it was loaded"_s});
            EXPECT_EQ(readAll(folder.dir.filePath(u"mine.mp3"_s)), mine);
        } else {
            EXPECT_EQ(result.successCount, 2);
            EXPECT_EQ(titleAndGenre(*createSong(folder.dir.filePath(u"mine.mp3"_s))),
                      (QStringList{u"Edited"_s, u"Jazz by them"_s}));
        }
    }
}

TEST(OutsideChanges, TheWatchShowsAddedRemovedAndChangedFilesAndKeepsUnsavedEdits) {
    LoadedFolder folder;
    folder.add(u"a.mp3"_s, taggedMp3("A", "Rock"));
    folder.add(u"b.mp3"_s, taggedMp3("B", "Rock"));
    folder.add(u"c.mp3"_s, taggedMp3("C", "Rock"));
    folder.add(u"unreadable.wav"_s, "RIFF but not a WAV file");
    folder.load();
    FolderWatch watch(folder.viewModel);
    watch.setInterval(std::chrono::hours(1));
    check(watch); // a first look notes the file whose tags cannot be read, and changes nothing
    EXPECT_TRUE(folder.toastTexts.isEmpty());

    ContentViewModel& model = folder.viewModel;
    model.commitEdit(folder.song(u"a.mp3"_s).id, u"title", u"Edited"_s);
    model.setSelectedSongIds({folder.song(u"c.mp3"_s).id});
    writeAll(folder.dir.filePath(u"a.mp3"_s), taggedMp3("A by them", "Jazz"));
    writeAll(folder.dir.filePath(u"b.mp3"_s), taggedMp3("B", "Blues"));
    ASSERT_TRUE(QFile::remove(folder.dir.filePath(u"c.mp3"_s)));
    folder.add(u"d.mp3"_s, taggedMp3("D", "Funk"));
    folder.add(u"unreadable.wav"_s, "RIFF and still not a WAV file");
    check(watch);

    const auto shown = [&] {
        QList<QStringList> rows;
        for (const Song& song : model.visibleSongs()) {
            rows.append({song.url.fileName(), song.name, song.genre});
        }
        return rows;
    };
    const QList<QStringList> expected = {{u"a.mp3"_s, u"Edited"_s, u"Jazz"_s},
                                         {u"b.mp3"_s, u"B"_s, u"Blues"_s},
                                         {u"unreadable.wav"_s, u"unreadable"_s, QString()},
                                         {u"d.mp3"_s, u"D"_s, u"Funk"_s}};
    EXPECT_EQ(shown(), expected);
    EXPECT_TRUE(model.selectedSongIds().isEmpty());
    EXPECT_EQ(model.totalSongs(), 4);
    EXPECT_EQ(folder.toastTexts, QStringList{u"1 songs added, 1 removed, 2 changed on disk"_s});

    // Undo takes back the edit, and brings back the other program's title rather than the loaded one.
    model.undo();
    EXPECT_EQ(shown().first(), (QStringList{u"a.mp3"_s, u"A by them"_s, u"Jazz"_s}));
    EXPECT_EQ(shown().size(), 4);
    model.redo();

    // Our own save is not another program's change (the file whose tags cannot be read is not written).
    folder.toastTexts.clear();
    QFuture<TagBatchResult> saving = writeTagsToFiles(&model, &folder.progress, &folder.toasts);
    EXPECT_TRUE(model.isDoingFileWork());
    ASSERT_TRUE(waitFor(saving, 120000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.isDoingFileWork());
    check(watch);
    EXPECT_EQ(folder.toastTexts,
              (QStringList{u"✏️ Writing tags to 4 songs..."_s, u"⚠️ Tags: 3 success, 1 failed"_s}));
    EXPECT_EQ(shown(), expected);
}

} // namespace
