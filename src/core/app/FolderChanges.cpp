// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderChanges.h"

#include "app/FolderScanner.h"
#include "app/SongBuilder.h"
#include "model/Paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

namespace quirella {

namespace {

bool isKnown(const FileIdentity& identity) {
    return identity.size >= 0;
}

QByteArray coverBytes(const std::optional<QString>& path) {
    if (!path) {
        return {};
    }
    QFile file(*path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether the tags of a file read again say something else than when it was read before. Cover files are
// compared by their bytes: every read saves the picture under a new name.
bool tagsDiffer(const std::optional<FileValues>& before, const std::optional<FileValues>& after) {
    if (!before || !after) {
        return before.has_value() != after.has_value();
    }
    FileValues a = *before;
    FileValues b = *after;
    a.identity = FileIdentity();
    b.identity = FileIdentity();
    a.coverImagePath.reset();
    b.coverImagePath.reset();
    return a != b || before->coverImagePath.has_value() != after->coverImagePath.has_value() ||
           coverBytes(before->coverImagePath) != coverBytes(after->coverImagePath);
}

// `field` takes `fresh` when it still shows `shown`, what the file held.
template <typename T>
void follow(T& field, const T& shown, const T& fresh) {
    if (field == shown) {
        field = fresh;
    }
}

} // namespace

FolderChanges findFolderChanges(const QString& folderPath, const QList<WatchedSong>& known, qsizetype room,
                                const SongFactory& build) {
    FolderChanges changes;
    const FolderScan scan = scanFolder(folderPath);
    if (!scan.ok()) {
        return changes;
    }
    // Compared as the bytes the system sees: a name that is not UTF-8 has only one spelling there.
    QSet<QByteArray> present;
    for (const QString& path : scan.files) {
        present.insert(paths::nativePath(path));
    }
    QSet<QByteArray> listed;
    QStringList reread;
    QList<const WatchedSong*> rereadSongs;
    for (const WatchedSong& song : known) {
        const QByteArray native = paths::nativePath(song.path);
        listed.insert(native);
        if (!present.contains(native)) {
            changes.removed.append(song.id);
            continue;
        }
        const FileIdentity now = fileIdentity(song.path);
        const bool usable = song.fileValues && isKnown(song.fileValues->identity);
        if (!usable) {
            changes.seen.append({song.id, now});
        }
        if (isKnown(song.identity) && now != song.identity) {
            reread.append(song.path);
            rereadSongs.append(&song);
        }
    }
    room += changes.removed.size();
    QStringList added;
    for (const QString& path : scan.files) {
        if (added.size() >= room) {
            break;
        }
        if (!listed.contains(paths::nativePath(path))) {
            added.append(path);
        }
    }
    const auto read = [&build](const QString& path) { return build ? build(path) : createSong(path); };
    for (const QString& path : added) {
        if (std::optional<Song> song = read(path)) {
            changes.added.append(std::move(*song));
        }
    }
    for (qsizetype i = 0; i < reread.size(); ++i) {
        const WatchedSong& song = *rereadSongs.at(i);
        std::optional<Song> fresh = read(reread.at(i));
        if (!fresh) {
            continue; // gone between the walk and the read: the next comparison removes it
        }
        fresh->id = song.id;
        const bool differ = tagsDiffer(song.fileValues, fresh->fileValues);
        if (!fresh->fileValues || !isKnown(fresh->fileValues->identity)) {
            changes.seen.append({song.id, fileIdentity(song.path)});
        }
        changes.reread.append({std::move(*fresh), differ});
    }
    return changes;
}

Song mergeReread(const Song& song, const std::optional<FileValues>& loaded, const Song& fresh) {
    const FileValues held = loaded.value_or(FileValues());
    const ArtistTitle guess = guessFromFileName(fresh.filePath());
    Song merged = song;
    follow(merged.name, held.title.isEmpty() ? guess.title : held.title, fresh.name);
    follow(merged.artist, held.artist.isEmpty() ? guess.artist : held.artist, fresh.artist);
    follow(merged.year, held.year, fresh.year);
    follow(merged.genre, held.genre, fresh.genre);
    follow(merged.rating, held.rating, fresh.rating);
    follow(merged.coverImagePath, held.coverImagePath, fresh.coverImagePath);
    follow(merged.album, held.album, fresh.album);
    follow(merged.albumArtist, held.albumArtist, fresh.albumArtist);
    follow(merged.track, held.track, fresh.track);
    follow(merged.disc, held.disc, fresh.disc);
    follow(merged.bpm, held.bpm, fresh.bpm);
    merged.duration = fresh.duration;
    merged.bookmarkData = fresh.bookmarkData;
    merged.hasID3Tags = fresh.hasID3Tags;
    merged.isMetadataLoaded = fresh.isMetadataLoaded;
    merged.fileValues = fresh.fileValues;
    return merged;
}

void applyFolderChanges(MusicFolder& folder, const FolderChanges& changes,
                        const QHash<QUuid, std::optional<FileValues>>& loaded) {
    const QSet<QUuid> removed(changes.removed.cbegin(), changes.removed.cend());
    folder.songs.removeIf([&removed](const Song& song) { return removed.contains(song.id); });
    for (const RereadSong& reread : changes.reread) {
        if (Song* song = findSong(folder.songs, reread.fresh.id)) {
            *song = mergeReread(*song, loaded.value(song->id), reread.fresh);
        }
    }
    for (const Song& song : changes.added) {
        if (!findSong(folder.songs, song.id)) {
            folder.songs.append(song);
        }
    }
}

QString describeFolderChanges(const FolderChanges& changes) {
    qsizetype changed = 0;
    for (const RereadSong& reread : changes.reread) {
        changed += reread.tagsChanged ? 1 : 0;
    }
    const auto part = [](const char* first, const char* later, bool isFirst, qsizetype n) {
        return QCoreApplication::translate("FolderChanges", isFirst ? first : later, nullptr, int(n));
    };
    QStringList parts;
    if (!changes.added.isEmpty()) {
        parts.append(part(QT_TRANSLATE_N_NOOP("FolderChanges", "%n songs added"), nullptr, true,
                          changes.added.size()));
    }
    if (!changes.removed.isEmpty()) {
        parts.append(part(QT_TRANSLATE_N_NOOP("FolderChanges", "%n songs removed"),
                          QT_TRANSLATE_N_NOOP("FolderChanges", "%n removed"), parts.isEmpty(),
                          changes.removed.size()));
    }
    if (changed > 0) {
        parts.append(part(QT_TRANSLATE_N_NOOP("FolderChanges", "%n songs changed on disk"),
                          QT_TRANSLATE_N_NOOP("FolderChanges", "%n changed on disk"), parts.isEmpty(),
                          changed));
    }
    return parts.join(u", ");
}

} // namespace quirella
