// Turning one audio file into one Song: the file name gives a first guess of artist and title, then the
// file's own tags overlay it, source after source (the WAV reader for WAV files, the tags TagLib reads
// for every file, and a direct read of the ID3v2 rating for MP3 files that still have none). A source
// that fails contributes nothing; only a file that cannot be bookmarked gives no song.
#pragma once

#include "model/Song.h"

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

// One tag item of a file, as the reader hands it over. `identifier` is the item's name in its own tag
// format: an ID3v2 frame id ("TDRC", "POPM", "TXXX"), an MP4 item key ("©day", "©cmt"; freeform items
// as "<mean>.<name>", e.g. "com.apple.iTunes.year"), or a lower-case Vorbis comment name ("date").
// `bytes` is set only for POPM and TXXX frames (the frame body as stored), the only items read as bytes;
// `number` only for MP4 freeform items that hold an integer instead of a text.
struct MetadataItem {
    QString identifier;
    std::optional<QString> text;
    std::optional<QByteArray> bytes;
    std::optional<qint64> number;
};

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

// What a file's tags say in the terms every format shares, plus every item in its own terms. Each part
// is absent when it could not be read.
struct MediaMetadata {
    struct Common {
        std::optional<QString> title;
        std::optional<QString> artist;
        std::optional<QByteArray> artwork; // the front cover, else the first picture
        std::optional<QString> creationDate;
    };
    std::optional<double> duration; // seconds
    std::optional<Common> common;
    std::optional<QList<MetadataItem>> items;
    // The ID3v2 tag of an MP3, WAV or AIFF file as stored (header included), when one was read.
    std::optional<QByteArray> storedId3Tag;
};

// Reads the tags of an MP3, M4A, WAV, AIFF or FLAC file with TagLib, read-only. `extension` is the
// lower-case extension that selects the format. Blocking and safe to call from several threads at once.
MediaMetadata readMediaMetadata(const QString& path, const QString& extension);

// The rating of an MP3 file's ID3v2 tag, read straight from the tag's bytes (the file's head only).
// Zero when there is no tag, no rating frame, or the file cannot be read.
qint64 readId3RatingDirect(const QString& path);

// Builds the song for one file. Blocking and thread-safe: loading calls it from worker threads. A file
// that cannot be bookmarked gives nothing and a line "Error creating song from <name>: <reason>" on
// standard error. The song that comes back has `isMetadataLoaded` set.
std::optional<Song> createSong(const QString& path);

} // namespace quirella
