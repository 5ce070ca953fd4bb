// SPDX-License-Identifier: GPL-3.0-or-later
// "WRITE TAGS": every song of the loaded folder, in folder order, goes to the writer of its format; the
// outcome is reported as a toast or, for a large folder with failures, as the information alert.
#pragma once

#include "app/TagPreferences.h"
#include "model/Song.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace quirella {

class ContentViewModel;
class ProgressManager;
class ToastManager;

// What the batch reports at its end.
struct TagBatchResult {
    // infoToast: a large batch without failures in which songs kept the cover in their file.
    // warningToast in a large batch: no failures, but songs were skipped.
    enum class Report { none, successToast, warningToast, alert, infoToast };
    int successCount = 0;
    int skipCount = 0;
    QStringList errorLines; // "<song name>: <reason>", in folder order
    // The same failures by file, for a reader who needs to know which file failed (songs can share a
    // name): the song's file path and the reason of its error line.
    struct Failure {
        QString path;
        QString reason;
    };
    QList<Failure> failures;
    // The songs that were skipped, by file, with the reason (the file is gone). Never counted as written.
    // An M4A write that took too long counts in `skipCount` too, but is listed among the failures.
    QList<Failure> skipped;
    // Songs whose cover file could not be read (removed behind our back): their files kept the picture
    // they held, and the report ends with a line that names them.
    QStringList keptCovers;
    // What the files of the songs written (or left as they were, having nothing to change) now hold, by
    // song; the window records it so that the next save compares with it.
    QList<std::pair<QUuid, FileValues>> fileValues;
    // Songs not reached because the user stopped the batch: their files are untouched. Never counted
    // among the written, skipped or failed ones.
    int notWrittenCount = 0;
    Report report = Report::none;
    QString message; // the toast or alert text; empty when the report is none
};

// The preview player, as far as the batch needs it (stopped before any file is rewritten).
struct PlaybackHooks {
    std::function<bool()> isPlaying;
    std::function<void()> stop;
};

// Settings of a batch that only tests change.
struct TagBatchOptions {
    // An M4A write that takes longer is given up: the song is reported as skipped and the file is left
    // as it was.
    std::chrono::milliseconds m4aTimeout{5000};
    // Stands in for the M4A writer when set. The batch cancels the future it returns on a timeout; the
    // M4A writer takes that as the order not to replace the file.
    std::function<QFuture<TagStatus>(const QString& path, TagValues values)> m4aWriter;
    // A song whose file changed on disk since it was read (another program saved it): with this set it is
    // not written and counts as failed ("changed on disk since it was loaded"); otherwise only the fields
    // the user changed are written over the file as it is now, and its file values are not recorded, so
    // that the folder watch reads it again.
    bool refuseChangedFiles = false;
    // Songs' tempi go into the tags: the stored preference unless a caller says otherwise.
    bool writeBpm = preferences::writeBpmIntoTags();
};

// The fields a save writes for a song: those whose value differs from what its file held when it was read
// (every field for a song not read from its file). A cover that differs is given as empty bytes here; the
// batch reads the song's cover file into it.
// Album, album artist, track and disc are written only where they differ from the file's (a song not read
// from its file has none), and the tempo only with `writeBpm`, when it is not 0.
TagValues changedValues(const Song& song, bool writeBpm = false);

// Runs off the UI thread. Reads the view model's current folder when called (on the UI thread), reports
// progress and toasts through the managers, and raises the view model's alert at the end when needed.
// A batch of more songs than the default folder maximum can be stopped from the overlay: the song being
// written is finished, the rest are left untouched and counted as not written, and the alert counts
// every kind.
// The future finishes after the final report has been applied on the UI thread. With no folder loaded
// it finishes at once with Report::none.
QFuture<TagBatchResult> writeTagsToFiles(ContentViewModel* viewModel, ProgressManager* progress,
                                         ToastManager* toasts, PlaybackHooks playback = {},
                                         TagBatchOptions options = {});

// The same batch over an explicit song list (used by the command line and by tests); `folderSongs` are
// written in order. Must be called on the thread that owns `progress` and `toasts`.
QFuture<TagBatchResult> writeTagsToSongs(QList<Song> folderSongs, ProgressManager* progress,
                                         ToastManager* toasts, PlaybackHooks playback = {},
                                         TagBatchOptions options = {});

} // namespace quirella
