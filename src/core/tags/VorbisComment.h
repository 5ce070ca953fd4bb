// SPDX-License-Identifier: GPL-3.0-or-later
// Vorbis comments, as FLAC's VORBIS_COMMENT block and the comment headers of Ogg Vorbis and Opus hold
// them: a vendor text, then a list of "NAME=value" texts (UTF-8; names are ASCII and compared without
// case), every length a little-endian 32-bit count. Also the picture record the formats share: FLAC's
// PICTURE block body, which Ogg files carry base64-encoded in a METADATA_BLOCK_PICTURE comment.
//
// Which comments a field is read from, and how a write changes them:
//   title TITLE, artist ARTIST, album ALBUM, genre GENRE, album artist ALBUMARTIST (or "ALBUM ARTIST",
//   "ALBUM_ARTIST"): the first non-empty value is shown.
//   track TRACKNUMBER ("3" or "3/12"), its total else TRACKTOTAL or TOTALTRACKS; the disc likewise with
//   DISCNUMBER, DISCTOTAL, TOTALDISCS; tempo BPM.
//   year: the first four digits of DATE when they make a year (1999-05-01), else those of YEAR.
//   rating: FMPS_RATING (0.0 to 1.0), else RATING (1 to 5 stars, or 6 to 100 percent).
// Values are UTF-8; a value that is not (older programs wrote ISO-8859-1) is read as ISO-8859-1, and a
// value is shown up to a zero byte in it. A field that is not given, or given with the value that is
// shown, is left exactly as stored. A changed field replaces every
// comment that was read for it, in the place of the first: DATE becomes the four-digit year (a YEAR that
// was read goes, and so does every YEAR when the year is cleared, so that it stays cleared), the rating
// becomes FMPS_RATING (stars / 5) and a RATING that was read is rewritten in its own scale, 0 stars removes
// both; an empty value removes the field's comments. Every other comment keeps its bytes and its place.
#pragma once

#include "tags/ByteView.h"
#include "tags/Rating.h"
#include "tags/StoredTags.h"
#include "tags/TagValues.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace quirella::vorbis {

// Counts above this are refused as damaged: a comment list holds far fewer.
inline constexpr std::uint32_t kMaxComments = 100'000;

struct CommentList {
    QByteArray vendor;
    QList<QByteArray> comments; // as stored
};

// The list at the start of `bytes`; `consumed` gets the number of bytes it takes. Nothing when a length
// runs past the end or the count is implausible.
std::optional<CommentList> parseComments(ByteView bytes, std::uint64_t* consumed = nullptr);
QByteArray serialise(const CommentList& list);

// The name of a comment as stored (the bytes before the first "="), or nothing when it has no "=".
std::optional<QByteArrayView> nameOf(const QByteArray& comment);
bool hasName(const QByteArray& comment, QByteArrayView upperCaseName);
QString valueOf(const QByteArray& comment);

// What loading shows for a file with these comments, and which comments it read.
struct Shown {
    QString title;
    QString artist;
    QString genre;
    QString album;
    QString albumArtist;
    NumberPair track;
    NumberPair disc;
    int bpm = 0;
    int year = 0;
    int rating = 0;
    bool yearFromYearComment = false;                  // DATE gave no year, YEAR did
    std::optional<rating::RatingScale> ratingReadFrom; // set when a RATING comment gave the rating
};
Shown shownValues(const QList<QByteArray>& comments);
// The same as the fields every format shares, with the shown picture of the picture comments.
StoredTags storedTags(const QList<QByteArray>& comments);

// The comments after writing the given fields of `values` (title, artist, year, genre, rating, album), by
// the rules above.
QList<QByteArray> withValues(const QList<QByteArray>& comments, const TagValues& values);

struct Picture {
    std::uint32_t type = 3; // front cover
    QByteArray mimeType;
    QByteArray description; // UTF-8
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t depth = 0;
    std::uint32_t colors = 0;
    QByteArray data;
};
std::optional<Picture> parsePicture(ByteView body);
QByteArray serialise(const Picture& picture);

// The picture loading shows: the first front cover, else the first picture; -1 when there is none.
qsizetype shownPicture(const QList<std::uint32_t>& types);

// What a write does to the shown picture: no cover given leaves it, empty cover bytes remove it, the
// shown picture's own bytes leave it, other bytes replace it (or add one when there is none).
enum class PictureEdit { keep, remove, replace };
PictureEdit pictureEdit(const std::optional<QByteArray>& shownData, const TagValues& values);

// A front-cover record for cover bytes, converted for `format` ("flac", "ogg", "opus") as the ID3
// writers convert theirs; nothing when the bytes are no picture.
std::optional<Picture> frontCover(const QByteArray& imageBytes, const QString& format);

// Pictures in comments, as Ogg files keep them: METADATA_BLOCK_PICTURE=<base64 of the record> (with or
// without its "=" padding), or the older COVERART=<base64 of the image>, a picture of type "other" whose
// MIME type a COVERARTMIME comment gives. `comments` is the whole list the comment stands in.
std::optional<Picture> pictureOfComment(const QByteArray& comment, const QList<QByteArray>& comments);
QByteArray pictureComment(const Picture& picture);
// The image bytes of the picture loading shows among the picture comments (see shownPicture).
std::optional<QByteArray> shownPictureData(const QList<QByteArray>& comments);
// The comments after the cover of `values`: the shown picture comment is replaced in its place by a
// METADATA_BLOCK_PICTURE, removed, or a new one is appended; other pictures stay, and so does everything
// when the new cover cannot be converted.
QList<QByteArray> withCover(const QList<QByteArray>& comments, const TagValues& values,
                            const QString& format);

} // namespace quirella::vorbis
