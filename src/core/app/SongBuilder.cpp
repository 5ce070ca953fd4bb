// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongBuilder.h"

#include "app/TagPreferences.h"
#include "model/Bookmark.h"
#include "model/CoverStore.h"
#include "model/Paths.h"
#include "model/Year.h"
#include "tags/MediaReader.h"
#include "tags/TagReader.h"

#include <QDebug>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quirella {

ArtistTitle parseArtistTitle(const QString& baseName) {
    static const QString separators[] = {u" - "_s, u" – "_s, u" — "_s, u"-"_s, u"–"_s, u"—"_s};
    for (const QString& separator : separators) {
        const qsizetype at = baseName.indexOf(separator);
        if (at < 0) {
            continue;
        }
        const QString artist = baseName.left(at).trimmed();
        const QString title = baseName.mid(at + separator.size()).trimmed();
        if (!artist.isEmpty() && !title.isEmpty()) {
            return {artist, title};
        }
    }
    return {QString(), baseName.trimmed()};
}

void applyStoredTags(Song& song, const StoredTags& stored) {
    if (!stored.title.isEmpty()) {
        song.name = stored.title;
        song.hasID3Tags = true;
    }
    if (!stored.artist.isEmpty()) {
        song.artist = stored.artist;
        song.hasID3Tags = true;
    }
    if (!stored.genre.isEmpty()) {
        song.genre = stored.genre;
    }
    if (isValidYear(stored.year)) {
        song.year = stored.year;
    }
    song.rating = std::clamp(stored.rating, 0, 5);
    if (stored.cover) {
        if (const std::optional<QString> path = saveCoverToTemp(*stored.cover, u"Cover"_s)) {
            song.coverImagePath = *path;
        }
    }
    song.album = stored.album;
    song.albumArtist = stored.albumArtist;
    song.track = stored.track;
    song.disc = stored.disc;
    if (song.bpm == 0 && preferences::writeBpmIntoTags()) {
        song.bpm = stored.bpm;
    }
    song.fileValues = FileValues{stored.title, stored.artist,       song.year,    song.genre,
                                 song.rating,  song.coverImagePath, stored.album, stored.albumArtist,
                                 stored.track, stored.disc,         stored.bpm,   FileIdentity()};
}

ArtistTitle guessFromFileName(const QString& path) {
    // Shown as text: bytes of a name that are not UTF-8 appear as replacement characters.
    const QString baseName = paths::displayText(QFileInfo(path).completeBaseName());
    ArtistTitle guess = parseArtistTitle(baseName);
    if (guess.title.isEmpty()) {
        guess.title = baseName;
    }
    return guess;
}

std::optional<Song> createSong(const QString& path) {
    const QFileInfo info(path);
    bookmark::Creation bookmark = bookmark::create(path);
    if (!bookmark.data) {
        qWarning().noquote() << u"Error creating song from "_s + paths::displayText(info.fileName()) +
                                    u": "_s + bookmark.error;
        return std::nullopt;
    }

    const ArtistTitle guess = guessFromFileName(path);
    Song song;
    song.id = QUuid::createUuid();
    song.url = QUrl::fromLocalFile(path);
    song.name = guess.title;
    song.artist = guess.artist;
    song.bookmarkData = std::move(*bookmark.data);
    song.fileExtension = info.suffix().toLower();

    // A file whose tags cannot be read whole keeps the guess and no file values: its writer refuses it on
    // the same parse, so nothing is ever written into it from the guess. The file's identity is taken
    // before its tags are read: a change while they are read shows as a change later.
    const FileIdentity identity = fileIdentity(path);
    const FileReading reading = readTagsAndLength(path, song.fileExtension);
    if (reading.tags.ok()) {
        applyStoredTags(song, *reading.tags.value);
        song.fileValues->identity = identity;
    }
    // TagLib only where our parse of the bytes that describe the audio cannot tell the length.
    if (const std::optional<double> duration =
            reading.seconds ? reading.seconds : readDuration(path, song.fileExtension)) {
        song.duration = *duration;
    }
    song.isMetadataLoaded = true;
    return song;
}

} // namespace quirella
