// SPDX-License-Identifier: GPL-3.0-or-later
// Turning one audio file into one Song: the file name gives a first guess of artist and title, then the
// file's own tags overlay it, source after source (the WAV reader for WAV files, the tags TagLib reads
// for every file, and a direct read of the ID3v2 rating for MP3 files that still have none). A source
// that fails contributes nothing; only a file that cannot be bookmarked gives no song.
#pragma once

#include "model/Song.h"
#include "tags/MediaReader.h"

#include <QByteArray>
#include <QList>
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

// The rules that read one item (nothing means the item says nothing about that field):
// a star rating 0..5 from a POPM frame, a TXXX "RATING" / "RATING_NUMERIC" frame, or an MP4 comment
// holding "Rating:" and stars;
std::optional<qint64> ratingOfItem(const MetadataItem& item);
// a year (1900..2099) from an item named like a year or date;
std::optional<qint64> yearOfItem(const MetadataItem& item);
// a non-empty genre from an item named like a genre;
std::optional<QString> genreOfItem(const MetadataItem& item);
// for M4A files: a rating from a comment item holding "Rating:" and at least one star.
std::optional<qint64> commentRatingOfItem(const MetadataItem& item);

// The rating of an MP3 file's ID3v2 tag, read straight from the tag's bytes (the file's head only).
// Zero when there is no tag, no rating frame, or the file cannot be read.
qint64 readId3RatingDirect(const QString& path);

// Builds the song for one file. Blocking and thread-safe: loading calls it from worker threads. A file
// that cannot be bookmarked gives nothing and a line "Error creating song from <name>: <reason>" on
// standard error. The song that comes back has `isMetadataLoaded` set.
std::optional<Song> createSong(const QString& path);

} // namespace quirella
