// SPDX-License-Identifier: GPL-3.0-or-later
// What other programs changed in a loaded folder's files, and how those changes are laid over the songs
// without losing the user's unsaved edits. The comparison reads the disk and runs off the UI thread; the
// merge is pure and runs where the folder lives.
#pragma once

#include "app/FolderLoading.h"
#include "model/Song.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>

namespace quirella {

// A loaded song as a comparison sees it.
struct WatchedSong {
    QUuid id;
    QString path;
    std::optional<FileValues> fileValues;
    // What the file was when it was last read or written; a default one when that is not known yet (the
    // comparison then only notes what it sees).
    FileIdentity identity;
};

// A song read again because its file changed on disk.
struct RereadSong {
    Song fresh;               // under the id of the song it replaces
    bool tagsChanged = false; // the tags say something else now, not only the file's time or inode
};

struct FolderChanges {
    QList<Song> added; // files that appeared, read, in walk order
    QList<QUuid> removed;
    QList<RereadSong> reread;
    // The identities of files the comparison saw for songs without a usable one of their own.
    QList<std::pair<QUuid, FileIdentity>> seen;

    bool isEmpty() const { return added.isEmpty() && removed.isEmpty() && reread.isEmpty(); }
};

// Compares the supported files below `folderPath` with `known`: a listed song whose file is no longer
// there is removed, a file no song names is added (at most `room` of them, more once songs are removed),
// and a file whose identity differs is read again. Files are read with `build` (createSong when empty).
// A folder that cannot be walked gives no changes. Blocking: run it off the UI thread.
FolderChanges findFolderChanges(const QString& folderPath, const QList<WatchedSong>& known, qsizetype room,
                                const SongFactory& build = {});

// `song` (the current value or one that undo brings back) after its file, which held `loaded` when it was
// read, was read afresh as `fresh`: a field that still shows what the file held takes the file's new
// value; a field the user changed keeps the change. The file's own facts (duration, bookmark, file
// values) come from `fresh`.
Song mergeReread(const Song& song, const std::optional<FileValues>& loaded, const Song& fresh);

// Lays `changes` over `folder`; `loaded` holds the file values the re-read songs had before.
void applyFolderChanges(MusicFolder& folder, const FolderChanges& changes,
                        const QHash<QUuid, std::optional<FileValues>>& loaded);

// "2 songs added, 1 removed, 3 changed on disk"; empty when nothing the table shows changed.
QString describeFolderChanges(const FolderChanges& changes);

} // namespace quirella
