// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/TagWritingBatch.h"

#include "app/ContentViewModel.h"
#include "app/SongBuilder.h"
#include "operations/LoadedFolder.h"

#include <QFileInfo>
#include <QPromise>
#include <QSettings>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// A folder of real files and the songs loaded from them, with new values to write.
class BatchFolder {
public:
    // Adds a file of the format its extension names (or the given bytes) and the song loaded from it.
    Song& add(const QString& fileName, std::optional<QByteArray> bytes = std::nullopt) {
        const QString path = m_dir.write(fileName, bytes ? *bytes : plainFile(QFileInfo(fileName).suffix()));
        std::optional<Song> song = createSong(path);
        EXPECT_TRUE(song) << fileName.toStdString();
        song->name = u"Title "_s + QFileInfo(fileName).completeBaseName();
        song->artist = u"Batch Artist"_s;
        song->year = 2001;
        song->genre = u"Batch Genre"_s;
        song->rating = 3;
        song->coverImagePath = m_cover;
        m_songs.append(*song);
        return m_songs.last();
    }
    void addBrokenWav(const QString& fileName) { add(fileName, "RIFF but not really a WAV file"_ba); }
    // A file another program tagged, loaded and left as it was.
    void addUntouched(const QString& fileName, const QByteArray& bytes) {
        m_songs.append(*createSong(m_dir.write(fileName, bytes)));
    }

    QString path(const QString& fileName) const { return m_dir.filePath(fileName); }
    const QList<Song>& songs() const { return m_songs; }

private:
    ScratchDir m_dir;
    QString m_cover = m_dir.write(u"cover.png"_s, imageBytes(Qt::magenta, 500, 400, "PNG"));
    QList<Song> m_songs;
};

TagBatchResult run(Feedback& feedback, const QList<Song>& songs, PlaybackHooks playback = {},
                   TagBatchOptions options = {}) {
    QFuture<TagBatchResult> batch =
        writeTagsToSongs(songs, &feedback.progress, &feedback.toasts, std::move(playback), options);
    EXPECT_TRUE(waitFor(batch, 120000));
    QCoreApplication::processEvents();
    return batch.result();
}

void expectWritten(const QString& path, const QString& title) {
    const std::optional<Song> song = createSong(path);
    ASSERT_TRUE(song) << path.toStdString();
    EXPECT_EQ(QStringList({song->name, song->artist, song->genre}),
              QStringList({title, u"Batch Artist"_s, u"Batch Genre"_s}));
    EXPECT_EQ(std::tuple(song->year, song->rating, song->coverImagePath.has_value()),
              std::tuple(2001, 3, true))
        << path.toStdString();
}

TEST(TagWritingBatch, SmallFolderOfEveryFormatWithFailuresAndSkips) {
    BatchFolder folder;
    QStringList written = {u"a.mp3"_s, u"LOUD.MP3"_s, u"c.wav"_s, u"d.wav"_s, u"e.aiff"_s,
                           u"f.Aif"_s, u"g.m4a"_s,    u"h.m4a"_s, u"o.flac"_s};
    for (int i = 0; i < 6; ++i) {
        written.append(u"song%1.mp3"_s.arg(i));
    }
    for (const QString& name : written) {
        folder.add(name);
    }
    folder.addBrokenWav(u"broken.wav"_s);
    folder.add(u"locked.mp3"_s);
    folder.add(u"gone.mp3"_s);
    folder.add(u"unresolvable.mp3"_s).bookmarkData.clear();
    const QByteArray untouched = id3Tag(id3Frame("TIT2", textBody("As tagged"), 4), 4) + mp3Audio();
    folder.addUntouched(u"untouched.mp3"_s, untouched);
    ASSERT_TRUE(QFile::remove(folder.path(u"gone.mp3"_s)));
    const Unwritable lock(folder.path(u"locked.mp3"_s));
    ASSERT_TRUE(lock.active()) << "cannot make a file unwritable for root here through "
                               << Unwritable::how().toStdString();
    const QByteArray brokenBefore = readAll(folder.path(u"broken.wav"_s));
    const QByteArray lockedBefore = readAll(folder.path(u"locked.mp3"_s));

    Feedback feedback;
    const TagBatchResult result = run(feedback, folder.songs());

    EXPECT_EQ(result.successCount, 16); // the untouched song counts as written, its file as it was
    EXPECT_EQ(result.skipCount, 1);     // the file that is gone
    // Each line names the song and says why, in words a person can act on.
    EXPECT_EQ(result.errorLines, (QStringList{u"Title broken: The file is not a RIFF/WAVE file."_s,
                                              u"Title locked: “locked.mp3” is read-only."_s,
                                              u"Title unresolvable: The bookmark is empty."_s}));
    EXPECT_EQ(result.report, TagBatchResult::Report::warningToast);
    EXPECT_EQ(result.message, u"⚠️ Tags: 16 success, 3 failed, 1 skipped"_s);
    EXPECT_EQ(feedback.toastTexts, (QStringList{u"✏️ Writing tags to 20 songs..."_s, result.message}));
    EXPECT_EQ(feedback.toasts.type(), ToastManager::ToastType::warning);
    EXPECT_TRUE(feedback.overlayMessages.isEmpty());

    for (const QString& name : written) {
        expectWritten(folder.path(name), u"Title "_s + QFileInfo(name).completeBaseName());
    }
    EXPECT_EQ(readAll(folder.path(u"broken.wav"_s)), brokenBefore);
    EXPECT_EQ(readAll(folder.path(u"locked.mp3"_s)), lockedBefore);
    EXPECT_EQ(readAll(folder.path(u"untouched.mp3"_s)), untouched);

    // A song whose cover file was removed behind the application's back keeps the picture in its file (no
    // picture change is written), and the summary names it; a song without a cover loses its picture. The
    // songs compare with what their files hold now, as the batch reported it.
    QList<Song> again;
    for (const qsizetype i : {0, 2, 4, 6, 1}) { // a.mp3, c.wav, e.aiff, g.m4a, then LOUD.MP3 without cover
        again.append(folder.songs().at(i));
        for (const auto& [id, values] : result.fileValues) {
            if (id == again.last().id) {
                again.last().fileValues = values;
            }
        }
        EXPECT_EQ(again.last().fileValues->coverImagePath, folder.songs().at(i).coverImagePath);
        again.last().coverImagePath = i == 1 ? std::nullopt : std::optional(folder.path(u"vanished.jpg"_s));
    }
    Feedback later;
    EXPECT_EQ(run(later, again).successCount, 5);
    EXPECT_EQ(
        later.toastTexts.last(),
        u"✅ Tags written to 5 songs successfully!\nℹ️ Cover left as it was in 4 songs whose cover file "
        "could not be read: Title a, Title c, Title e, Title g"_s);
    for (const Song& song : again) {
        EXPECT_EQ(createSong(song.url.toLocalFile())->coverImagePath.has_value(),
                  song.coverImagePath.has_value());
    }
}

TEST(TagWritingBatch, SmallFolderToastsAndAPlayingPreviewStoppedFirst) {
    BatchFolder folder;
    folder.add(u"a.mp3"_s);
    folder.add(u"b.flac"_s);
    const QByteArray before = readAll(folder.path(u"a.mp3"_s));
    bool untouchedWhenStopped = false;
    Feedback feedback;
    const PlaybackHooks playing{[] { return true; },
                                [&] { untouchedWhenStopped = readAll(folder.path(u"a.mp3"_s)) == before; }};
    EXPECT_EQ(run(feedback, folder.songs(), playing).message, u"✅ Tags written to 2 songs successfully!"_s);
    EXPECT_TRUE(untouchedWhenStopped);
    EXPECT_EQ(feedback.toasts.type(), ToastManager::ToastType::success);
    // A skipped song is never counted as written, and a run that wrote nothing says so.
    ASSERT_TRUE(QFile::remove(folder.path(u"b.flac"_s)));
    EXPECT_EQ(run(feedback, folder.songs()).message, u"⚠️ Tags written to 1 songs, 1 skipped"_s);
    EXPECT_EQ(run(feedback, folder.songs().mid(1)).message, u"⚠️ No tags written: 1 songs skipped"_s);
    EXPECT_EQ(feedback.toasts.type(), ToastManager::ToastType::warning);
}

TEST(TagWritingBatch, LargeFolderUsesTheOverlayAndListsFiveFailuresInTheAlert) {
    BatchFolder folder;
    for (int i = 0; i < 12; ++i) {
        folder.add(u"song%1.mp3"_s.arg(i, 2, 10, QLatin1Char('0')));
    }
    folder.add(u"gone.mp3"_s);
    for (int i = 1; i <= 8; ++i) {
        folder.addBrokenWav(u"broken%1.wav"_s.arg(i));
    }
    ASSERT_TRUE(QFile::remove(folder.path(u"gone.mp3"_s)));
    QSettings().remove(ContentViewModel::preferredSortColumnKey);
    ContentViewModel model;
    model.setFolder(QUrl::fromLocalFile(folder.path({})), folder.songs());

    Feedback feedback;
    QFuture<TagBatchResult> batch = writeTagsToFiles(&model, &feedback.progress, &feedback.toasts);
    ASSERT_TRUE(waitFor(batch, 120000));
    QCoreApplication::processEvents();
    const TagBatchResult result = batch.result();

    const QString reason = u"The file is not a RIFF/WAVE file."_s;
    QString expected =
        u"Tag writing completed with issues:\n✅ Success: 12 files\n⏭ Skipped: 1 files\n❌ Errors: 8 "
        "files\n\nFailed files:\n"_s;
    for (int i = 1; i <= 5; ++i) {
        expected += u"Title broken%1: "_s.arg(i) + reason + (i < 5 ? u"\n"_s : QString());
    }
    expected += u"\n...and 3 more"_s;
    EXPECT_EQ(result.report, TagBatchResult::Report::alert);
    EXPECT_EQ(result.message, expected);
    EXPECT_EQ(model.exportAlertMessage(), expected);
    EXPECT_EQ(feedback.overlayMessages, QStringList{u"Writing tags to files..."_s});
    EXPECT_EQ(feedback.progress.currentOperationType(), ProgressManager::OperationType::writingTags);
    EXPECT_EQ(feedback.progress.current(), 21);
    EXPECT_EQ(feedback.details.last(), u"Processing Title broken8"_s);
    EXPECT_FALSE(feedback.progress.isVisible());
    EXPECT_TRUE(feedback.toastTexts.isEmpty());

    // What the files hold is remembered apart from the history: an edit written and then undone is
    // written back on the next save.
    const QString first = folder.path(u"song00.mp3"_s);
    const auto writeAndRead = [&] {
        EXPECT_TRUE(waitFor(writeTagsToFiles(&model, &feedback.progress, &feedback.toasts), 120000));
        QCoreApplication::processEvents();
        return createSong(first)->name;
    };
    model.commitEdit(model.currentFolder()->songs.first().id, u"title", u"Changed"_s);
    EXPECT_EQ(writeAndRead(), u"Changed"_s);
    model.undo();
    EXPECT_EQ(writeAndRead(), u"Title song00"_s);

    ContentViewModel none;
    const QFuture<TagBatchResult> nothing = writeTagsToFiles(&none, &feedback.progress, &feedback.toasts);
    ASSERT_TRUE(nothing.isFinished());
    EXPECT_EQ(nothing.result().report, TagBatchResult::Report::none);
}

TEST(TagWritingBatch, AnM4AWriteOverItsTimeLimitIsGivenUpAndCancelled) {
    BatchFolder folder;
    folder.add(u"stuck.m4a"_s);
    folder.add(u"fine.m4a"_s);
    folder.add(u"after.mp3"_s);
    // The first M4A write never ends by itself; the second one ends at once.
    QPromise<TagStatus> stuck;
    QFuture<TagStatus> stuckWrite = stuck.future();
    stuck.start();
    QStringList asked;
    TagBatchOptions options;
    options.m4aTimeout = std::chrono::milliseconds(200);
    options.m4aWriter = [&](const QString& path, const TagValues&) {
        asked.append(QFileInfo(path).fileName());
        return asked.size() == 1 ? stuckWrite : QtFuture::makeReadyFuture(TagStatus::success());
    };
    Feedback feedback;
    const TagBatchResult result = run(feedback, folder.songs(), {}, options);
    EXPECT_EQ(asked, (QStringList{u"stuck.m4a"_s, u"fine.m4a"_s}));
    EXPECT_TRUE(stuckWrite.isCanceled()) << "the writer must be told not to replace the file";
    EXPECT_EQ(result.errorLines, QStringList{u"Title stuck: M4A timeout - skipped"_s});
    EXPECT_EQ(result.message, u"⚠️ Tags: 2 success, 1 failed"_s);
    stuck.finish();
}

} // namespace
