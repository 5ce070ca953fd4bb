// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/TagWritingBatch.h"

#include "app/ContentViewModel.h"
#include "app/FolderLoading.h"
#include "covers/ImageProcessor.h"
#include "model/Bookmark.h"
#include "model/Continuation.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "tags/AIFFTagEditor.h"
#include "tags/FLACTagEditor.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/OggTagEditor.h"
#include "tags/WAVTagEditor.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

// The player releases its file asynchronously; this long a pause lets it go before the file is
// rewritten.
constexpr int kPlayerReleaseDelayMs = 200;
// Error lines listed in the alert of a large batch; the rest are counted.
constexpr int kListedErrorLines = 5;

// The song's cover as its format's writer wants it: empty bytes when the song has none. A song whose cover
// file is missing, unreadable or undecodable (its file was removed behind our back) leaves the picture
// its audio file holds: that is not an error, but the summary says so.
struct CoverChoice {
    std::optional<QByteArray> bytes;
    bool keepEmbedded = false;
};

// `convert`: the writer takes the cover converted for its format; otherwise it gets the file's bytes as
// they are (the Vorbis-comment writers compare them with the picture the file holds, and convert a new one
// themselves).
CoverChoice coverFor(const Song& song, bool convert) {
    if (!song.coverImagePath) {
        return {QByteArray(), false};
    }
    QFile file(*song.coverImagePath);
    if (!QFileInfo(*song.coverImagePath).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {std::nullopt, true};
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) {
        return {std::nullopt, true};
    }
    if (!convert) {
        return {bytes, false};
    }
    // Decodes the picture; conversions of the same picture for the same format are answered from a
    // cache, which matters when one cover was given to every song.
    std::optional<QByteArray> converted =
        ImageProcessor::coverDataForFormat(bytes, song.fileExtension.toLower());
    const bool keep = !converted;
    return {std::move(converted), keep};
}

// Waits for a future without an event loop, at most `timeout`. True when it finished in time.
template <typename T>
bool waitUntilFinished(const QFuture<T>& future, std::chrono::milliseconds timeout) {
    struct Signal {
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
    };
    auto signal = std::make_shared<Signal>();
    QFuture<T>(future).then(QtFuture::Launch::Sync, [signal](const QFuture<T>&) {
        {
            const std::lock_guard lock(signal->mutex);
            signal->done = true;
        }
        signal->finished.notify_all();
    });
    std::unique_lock lock(signal->mutex);
    return signal->finished.wait_for(lock, timeout, [&] { return signal->done; }) || future.isFinished();
}

// The writers live for one batch. The M4A writer is shared so that, after a timeout, it can outlive
// the batch until the write it gave up on has stopped.
struct Writers {
    MP3TagEditor mp3;
    WAVTagEditor wav;
    AIFFTagEditor aiff;
    FLACTagEditor flac;
    OggTagEditor ogg;
    std::shared_ptr<M4ATagEditor> m4a = std::make_shared<M4ATagEditor>();
    bool m4aAbandoned = false;

    ~Writers() {
        if (m4aAbandoned) {
            // Its destructor waits for the abandoned write, which can no longer replace the file.
            QThreadPool::globalInstance()->start(
                [m4aWriter = std::move(m4a)]() mutable { m4aWriter.reset(); });
        }
    }
};

// Which writer takes a file, by its lower-cased extension; any other extension is skipped. M4A writes
// are raced against the batch's time limit.
struct Route {
    QLatin1StringView extension;
    TagWriter& (*writer)(Writers&);
    bool timeLimited;
    bool convertsCover = true;
};

const Route kRoutes[] = {
    {"mp3"_L1, [](Writers& w) -> TagWriter& { return w.mp3; }, false},
    {"wav"_L1, [](Writers& w) -> TagWriter& { return w.wav; }, false},
    {"aiff"_L1, [](Writers& w) -> TagWriter& { return w.aiff; }, false},
    {"aif"_L1, [](Writers& w) -> TagWriter& { return w.aiff; }, false},
    {"m4a"_L1, [](Writers& w) -> TagWriter& { return *w.m4a; }, true},
    {"flac"_L1, [](Writers& w) -> TagWriter& { return w.flac; }, false, false},
    {"ogg"_L1, [](Writers& w) -> TagWriter& { return w.ogg; }, false, false},
    {"oga"_L1, [](Writers& w) -> TagWriter& { return w.ogg; }, false, false},
    {"opus"_L1, [](Writers& w) -> TagWriter& { return w.ogg; }, false, false},
};

const Route* routeFor(const QString& fileExtension) {
    const QString extension = fileExtension.toLower();
    for (const Route& route : kRoutes) {
        if (extension == route.extension) {
            return &route;
        }
    }
    return nullptr;
}

struct SongOutcome {
    enum class Kind { success, skipped, failed, timedOut };
    Kind kind = Kind::success;
    QString reason;
    bool keptEmbeddedCover = false; // the song's cover file could not be read; the file's picture stayed
    bool changedOnDisk = false;     // another program changed the file since it was read
    FileIdentity written;           // the file after the write

    static SongOutcome of(Kind kind, QString reason) {
        SongOutcome outcome;
        outcome.kind = kind;
        outcome.reason = std::move(reason);
        return outcome;
    }
    static SongOutcome succeeded(bool keptEmbeddedCover, bool changedOnDisk, FileIdentity written) {
        SongOutcome outcome;
        outcome.keptEmbeddedCover = keptEmbeddedCover;
        outcome.changedOnDisk = changedOnDisk;
        outcome.written = written;
        return outcome;
    }
};

} // namespace

TagValues changedValues(const Song& song, bool writeBpm) {
    TagValues values;
    const std::optional<FileValues>& file = song.fileValues;
    if (!file || song.name != file->title) {
        values.title = song.name;
    }
    if (!file || song.artist != file->artist) {
        values.artist = song.artist;
    }
    if (!file || song.year != file->year) {
        values.year = song.year;
    }
    if (!file || song.genre != file->genre) {
        values.genre = song.genre;
    }
    if (!file || song.rating != file->rating) {
        values.rating = song.rating;
    }
    if (!file || song.coverImagePath != file->coverImagePath) {
        values.coverImage = QByteArray(); // filled in from the cover file by the batch
    }
    // Fields beyond the six every song writes: only what differs from the file, even without file values.
    if (song.album != (file ? file->album : QString())) {
        values.album = song.album;
    }
    if (song.albumArtist != (file ? file->albumArtist : QString())) {
        values.albumArtist = song.albumArtist;
    }
    if (song.track != (file ? file->track : NumberPair())) {
        values.track = song.track;
    }
    if (song.disc != (file ? file->disc : NumberPair())) {
        values.disc = song.disc;
    }
    if (writeBpm && song.bpm != 0 && song.bpm != (file ? file->bpm : 0)) {
        values.bpm = song.bpm;
    }
    return values;
}

namespace {

SongOutcome writeSong(const Song& song, Writers& writers, const TagBatchOptions& options) {
    const bookmark::Resolution resolved = bookmark::resolve(song.bookmarkData);
    if (!resolved.path) {
        return SongOutcome::of(SongOutcome::Kind::failed, resolved.error);
    }
    const bookmark::ScopedAccess access(*resolved.path);
    if (!access.granted()) {
        return SongOutcome::of(SongOutcome::Kind::skipped,
                               QCoreApplication::translate("TagWriting", "the file is gone"));
    }
    const Route* route = routeFor(song.fileExtension);
    if (!route) {
        return SongOutcome::of(SongOutcome::Kind::skipped,
                               QCoreApplication::translate("TagWriting", "no writer for this kind of file"));
    }
    TagValues values = changedValues(song, options.writeBpm);
    CoverChoice cover;
    if (values.coverImage) {
        cover = coverFor(song, route->convertsCover);
        values.coverImage = cover.bytes;
    }
    const bool changedOnDisk = song.fileValues && fileIdentity(*resolved.path) != song.fileValues->identity;
    if (!values.any()) {
        // Nothing the user changed: the file is left exactly as it is, and the song counts as written.
        return SongOutcome::succeeded(cover.keepEmbedded, changedOnDisk, fileIdentity(*resolved.path));
    }
    if (changedOnDisk && options.refuseChangedFiles) {
        return SongOutcome::of(
            SongOutcome::Kind::failed,
            QCoreApplication::translate("TagWriting", "changed on disk since it was loaded"));
    }

    const QString& path = *resolved.path;
    TagWriter& writer = route->writer(writers);
    TagStatus status;
    if (!route->timeLimited) {
        status = writer.writeTags(path, std::move(values)).result();
    } else {
        // Every M4A write runs on a thread of its own, so the time limit counts this song's write only.
        auto cancellation = std::make_shared<WriteCancellation>();
        QFuture<TagStatus> write = options.m4aWriter
                                       ? options.m4aWriter(path, std::move(values))
                                       : writer.writeTags(path, std::move(values), cancellation);
        if (!waitUntilFinished(write, options.m4aTimeout)) {
            // Giving up stops the write at its next check, before its copy takes the place of the file;
            // a write whose replacement has already begun is waited for and counts as it ends.
            if (cancellation->cancel()) {
                write.cancel();
                writers.m4aAbandoned = true;
                return SongOutcome::of(SongOutcome::Kind::timedOut,
                                       QCoreApplication::translate("TagWriting", "M4A tag writing timeout"));
            }
            write.waitForFinished();
        }
        status = write.result();
    }
    if (!status.ok()) {
        return SongOutcome::of(SongOutcome::Kind::failed, status.message);
    }
    return SongOutcome::succeeded(cover.keepEmbedded, changedOnDisk, fileIdentity(path));
}

TagBatchResult runBatch(const QList<Song>& songs, bool largeBatch, bool waitForPlayer,
                        ProgressManager* progress, const TagBatchOptions& options,
                        const std::atomic<bool>& stop) {
    if (waitForPlayer) {
        QThread::msleep(kPlayerReleaseDelayMs);
    }
    TagBatchResult result;
    Writers writers;
    const auto total = static_cast<int>(songs.size());
    for (int i = 0; i < total; ++i) {
        // A song whose write has begun is finished; the ones after it are left as they are.
        if (stop) {
            result.notWrittenCount = total - i;
            break;
        }
        const Song& song = songs.at(i);
        const SongOutcome outcome = writeSong(song, writers, options);
        switch (outcome.kind) {
        case SongOutcome::Kind::success: {
            ++result.successCount;
            const qint64 storedBpm = song.fileValues ? song.fileValues->bpm : 0;
            FileValues written{song.name,
                               song.artist,
                               song.year,
                               song.genre,
                               song.rating,
                               song.coverImagePath,
                               song.album,
                               song.albumArtist,
                               song.track,
                               song.disc,
                               options.writeBpm && song.bpm != 0 ? song.bpm : storedBpm,
                               FileIdentity()};
            if (outcome.keptEmbeddedCover) {
                result.keptCovers.append(song.name);
                written.coverImagePath = song.fileValues ? song.fileValues->coverImagePath : std::nullopt;
            }
            written.identity = outcome.written;
            // A file another program changed holds values the song does not know: it is read again instead.
            if (!outcome.changedOnDisk) {
                result.fileValues.append({song.id, std::move(written)});
            }
            break;
        }
        case SongOutcome::Kind::skipped:
            ++result.skipCount;
            result.skipped.append({song.filePath(), outcome.reason});
            break;
        case SongOutcome::Kind::failed:
            result.errorLines.append(song.name + u": "_s + outcome.reason);
            result.failures.append({song.filePath(), outcome.reason});
            break;
        case SongOutcome::Kind::timedOut:
            // Counted twice on purpose: the song was skipped, and the user is told which one.
            result.errorLines.append(song.name + u": "_s +
                                     QCoreApplication::translate("TagWriting", "M4A timeout - skipped"));
            result.failures.append(
                {song.filePath(), QCoreApplication::translate("TagWriting", "M4A timeout - skipped")});
            ++result.skipCount;
            break;
        }
        if (largeBatch) {
            progress->updateProgress(
                i + 1, total, QCoreApplication::translate("TagWriting", "Processing %1").arg(song.name));
        }
    }
    return result;
}

void composeCountsReport(TagBatchResult& result, bool largeBatch);

// The line that tells the user which songs kept the cover in their file because their cover file
// could not be read (it was removed behind our back): the file's picture was not replaced or removed.
QString keptCoversNote(const QStringList& songs) {
    return QCoreApplication::translate(
               "TagWriting", "ℹ️ Cover left as it was in %n songs whose cover file could not be read: %1",
               nullptr, int(songs.size()))
        .arg(songs.mid(0, kListedErrorLines).join(u", "_s) +
             (songs.size() > kListedErrorLines ? u", ..."_s : QString()));
}

// The final report: nothing, a toast, or (large batch with failures) the alert's message.
void composeReport(TagBatchResult& result, bool largeBatch) {
    composeCountsReport(result, largeBatch);
    if (result.keptCovers.isEmpty()) {
        return;
    }
    if (result.report == TagBatchResult::Report::none) {
        result.report = TagBatchResult::Report::infoToast;
        result.message = keptCoversNote(result.keptCovers);
        return;
    }
    result.message += (result.report == TagBatchResult::Report::alert ? u"\n\n"_s : u"\n"_s) +
                      keptCoversNote(result.keptCovers);
}

// The alert's first count lines, each ending in a line break; the skipped line only when a song was skipped.
QString successAndSkipLines(const TagBatchResult& result) {
    QString lines =
        QCoreApplication::translate("TagWriting", "✅ Success: %n files", nullptr, result.successCount) +
        u'\n';
    if (result.skipCount >= 1) {
        lines += QCoreApplication::translate("TagWriting", "⏭ Skipped: %n files", nullptr, result.skipCount) +
                 u'\n';
    }
    return lines;
}

// The alert's list of failed files: the first ones by name, the rest counted.
QString failedFiles(const TagBatchResult& result) {
    const auto errors = static_cast<int>(result.errorLines.size());
    QString list = QCoreApplication::translate("TagWriting", "Failed files:") + u'\n' +
                   result.errorLines.mid(0, kListedErrorLines).join(u'\n');
    if (errors > kListedErrorLines) {
        list += u'\n' + QCoreApplication::translate("TagWriting", "...and %n more", nullptr,
                                                    errors - kListedErrorLines);
    }
    return list;
}

// The counts: nothing, a toast, or (large batch with failures, or stopped) the alert's message.
void composeCountsReport(TagBatchResult& result, bool largeBatch) {
    const auto errors = static_cast<int>(result.errorLines.size());
    if (result.notWrittenCount > 0) {
        // Stopped by the user: every kind is counted, the files not reached too.
        QString message = QCoreApplication::translate("TagWriting", "Tag writing stopped:") + u'\n';
        message += successAndSkipLines(result);
        message += QCoreApplication::translate("TagWriting", "❌ Errors: %n files", nullptr, errors) + u'\n';
        message += QCoreApplication::translate("TagWriting", "⏹ Not written: %n files (left as they were)",
                                               nullptr, result.notWrittenCount);
        if (errors > 0) {
            message += u"\n\n"_s + failedFiles(result);
        }
        result.report = TagBatchResult::Report::alert;
        result.message = message;
        return;
    }
    // Skipped songs are never counted as written, and a run that wrote nothing says so. A timed-out M4A
    // write is a failure and a skip at once; it is named once, as a failure.
    const QString skipped = u", "_s + QCoreApplication::translate("TagWriting", "%n skipped", nullptr,
                                                                  int(result.skipped.size()));
    const auto skipsOnly = [&] {
        result.report = TagBatchResult::Report::warningToast;
        result.message =
            result.successCount > 0
                ? QCoreApplication::translate("TagWriting", "⚠️ Tags written to %n songs", nullptr,
                                              result.successCount) +
                      skipped
                : QCoreApplication::translate("TagWriting", "⚠️ No tags written: %n songs skipped",
                                              nullptr, result.skipCount);
    };
    if (largeBatch) {
        if (errors == 0) {
            result.report = TagBatchResult::Report::none;
            result.message.clear();
            if (result.skipCount > 0) {
                skipsOnly();
            }
            return;
        }
        QString message =
            QCoreApplication::translate("TagWriting", "Tag writing completed with issues:") + u'\n';
        message += successAndSkipLines(result);
        message +=
            QCoreApplication::translate("TagWriting", "❌ Errors: %n files", nullptr, errors) + u"\n\n"_s;
        message += failedFiles(result);
        result.report = TagBatchResult::Report::alert;
        result.message = message;
        return;
    }
    if (errors > 0) {
        result.report = TagBatchResult::Report::warningToast;
        result.message = QCoreApplication::translate("TagWriting", "⚠️ Tags: %1 success, %2 failed")
                             .arg(result.successCount)
                             .arg(errors);
        if (!result.skipped.isEmpty()) {
            result.message += skipped;
        }
    } else if (result.skipCount > 0) {
        skipsOnly();
    } else {
        result.report = TagBatchResult::Report::successToast;
        result.message = QCoreApplication::translate("TagWriting", "✅ Tags written to %n songs successfully!",
                                                     nullptr, result.successCount);
    }
}

} // namespace

QFuture<TagBatchResult> writeTagsToSongs(QList<Song> folderSongs, ProgressManager* progress,
                                         ToastManager* toasts, PlaybackHooks playback,
                                         TagBatchOptions options) {
    Q_ASSERT(progress && toasts);
    Q_ASSERT(QThread::currentThread() == progress->thread());
    bool playerStopped = false;
    if (playback.isPlaying && playback.isPlaying()) {
        if (playback.stop) {
            playback.stop();
        }
        playerStopped = true;
    }
    const auto count = static_cast<int>(folderSongs.size());
    const bool largeBatch = count > ProgressManager::minimumSongsForProgress;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    if (largeBatch) {
        // A folder beyond the default size (allowed by the user) can take many minutes: it can be stopped.
        const bool stoppable = count > defaultMaximumSongsPerFolder;
        progress->startOperation(
            {ProgressManager::OperationType::writingTags,
             QCoreApplication::translate("TagWriting", "Writing tags to files..."), QString(), count,
             stoppable,
             stoppable ? std::function<void()>([stop] { *stop = true; }) : std::function<void()>()});
    } else {
        toasts->show(
            QCoreApplication::translate("TagWriting", "✏️ Writing tags to %n songs...", nullptr, count),
            ToastManager::ToastType::info);
    }
    return continueOn(
        QtConcurrent::run(
            [songs = std::move(folderSongs), largeBatch, playerStopped, progress, options, stop] {
                return runBatch(songs, largeBatch, playerStopped, progress, options, *stop);
            }),
        progress, [progress, toasts = QPointer<ToastManager>(toasts), largeBatch](TagBatchResult result) {
            composeReport(result, largeBatch);
            if (largeBatch) {
                progress->finishOperation();
                if (toasts && result.report == TagBatchResult::Report::infoToast) {
                    toasts->show(result.message, ToastManager::ToastType::info);
                } else if (toasts && result.report == TagBatchResult::Report::warningToast) {
                    toasts->show(result.message, ToastManager::ToastType::warning);
                }
            } else if (toasts) {
                toasts->show(result.message, result.report == TagBatchResult::Report::successToast
                                                 ? ToastManager::ToastType::success
                                                 : ToastManager::ToastType::warning);
            }
            return result;
        });
}

QFuture<TagBatchResult> writeTagsToFiles(ContentViewModel* viewModel, ProgressManager* progress,
                                         ToastManager* toasts, PlaybackHooks playback,
                                         TagBatchOptions options) {
    Q_ASSERT(viewModel);
    if (!viewModel->currentFolder()) {
        return QtFuture::makeReadyFuture(TagBatchResult{});
    }
    auto hold = viewModel->holdFileWork();
    return continueOn(
        writeTagsToSongs(viewModel->currentFolder()->songs, progress, toasts, std::move(playback), options),
        viewModel, [viewModel, hold](const TagBatchResult& result) {
            viewModel->recordFileValues(result.fileValues);
            hold->release();
            if (result.report == TagBatchResult::Report::alert) {
                viewModel->showAlert(result.message);
            }
            return result;
        });
}

} // namespace quirella
