// SPDX-License-Identifier: GPL-3.0-or-later
// Turning one audio file into one Song: the file name gives a first guess of artist and title, then the
// file's own tags overlay it, read through the same parse its writer uses (tags/TagReader.h), and TagLib
// gives the duration. A source that fails contributes nothing; only a file that cannot be bookmarked gives
// no song.
#pragma once

#include "model/Song.h"
#include "tags/StoredTags.h"

#include <QString>

#include <optional>

namespace quirella {

struct ArtistTitle {
    QString artist;
    QString title;
};

// Splits a base name at the first separator that leaves text on both sides, trying " - ", " – ", " — ",
// then the bare "-", "–", "—"; both parts are trimmed. Without such a separator the artist is empty and
// the title is the whole name, trimmed.
ArtistTitle parseArtistTitle(const QString& baseName);
// What a song shows of a file whose tags hold no title or artist: the base name split as above, the
// whole base name as the title when it has no separator.
ArtistTitle guessFromFileName(const QString& path);

// Lays the tags a file holds over a song guessed from its file name, and records them as the song's
// file values: a non-empty title or artist (which set `hasID3Tags`), a genre, a year 1900..2099, the
// rating, the picture (saved as a cover file), album, album artist, track and disc, and the stored tempo
// for a song without one when tempi go into the tags (preferences::writeBpmIntoTags).
void applyStoredTags(Song& song, const StoredTags& stored);

// Builds the song for one file. Blocking and thread-safe: loading calls it from worker threads. A file
// that cannot be bookmarked gives nothing and a line "Error creating song from <name>: <reason>" on
// standard error. The song that comes back has `isMetadataLoaded` set.
std::optional<Song> createSong(const QString& path);

} // namespace quirella
