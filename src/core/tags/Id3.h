// SPDX-License-Identifier: GPL-3.0-or-later
// ID3v2 tags, shared by the MP3, WAV and AIFF formats: one parse of a stored tag (versions 2.2, 2.3 and
// 2.4), the fields loading shows from it, and the version 2.3 tag a write makes of it. Pure functions
// over bytes.
#pragma once

#include "tags/ByteView.h"
#include "tags/StoredTags.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <optional>

namespace quirella::id3 {

struct ID3Frame {
    QByteArray id;     // four ASCII characters, e.g. "TIT2"
    qint64 size = 0;   // length of `data`; cut to 32 bits in the frame header
    quint16 flags = 0; // version 2.3 flags: 0 in frames we make; carried-over frames keep theirs
    QByteArray data;   // the frame body as a version 2.3 tag holds it
};
using FrameList = QList<ID3Frame>;

// Popularimeter identifiers, written in this order, all with the same rating byte.
inline constexpr char kPopmIdentifierPlain[] = "no@email";
inline constexpr char kPopmIdentifierItunes[] = "iTunes";
inline constexpr char kPopmIdentifierOwn[] = "rating@quirella.tags"; // 20 characters

// Bytes of zero fill after the frames of an MP3 tag (none inside WAV and AIFF).
inline constexpr int kMp3Fill = 2048;

// The largest tag body (frames plus fill) that the syncsafe size field can describe.
inline constexpr std::uint32_t kMaxTagBodySize = 0x0FFFFFFF;

// ---- The parse -------------------------------------------------------------------------------------

// One frame of a stored tag.
struct Frame {
    // As a version 2.3 tag carries it: frames of a 2.3 tag byte for byte; frames of a 2.4 tag with a plain
    // size, 2.3 flags and their unsynchronisation and data length indicator undone; frames of a 2.2 tag
    // under their 2.3 names (a picture's image format becomes its MIME type).
    ID3Frame stored;
    // What the frame says, as its type defines it: without grouping byte, compression and
    // unsynchronisation. Nothing for an encrypted frame or one that does not decompress.
    std::optional<QByteArray> content;
};

struct Tag {
    int major = 0; // 2, 3 or 4 (0 for a version we do not know)
    QList<Frame> frames;
    // Why the tag cannot be carried into a version 2.3 tag whole (a frame of version 2.2 without a 2.3
    // counterpart, a compressed 2.2 tag, an unknown version, an unreadable extended header); empty when it
    // can. A write must then refuse rather than lose what it cannot carry.
    QString problem;
};

// The tag at the head of `bytes` (header included; bytes beyond its declared size are ignored), or
// nothing when they do not start with an ID3v2 header. The walk skips an extended header, takes a 2.4
// frame size that is not syncsafe as a plain number (as some players wrote them for years), stops at
// padding, at an id that is not a frame id, at a size that runs past the tag, and after 65,536 frames.
// Frames of size 0 carry nothing and are passed over; so are text frames whose encoding byte is unknown.
std::optional<Tag> parseTag(QByteArrayView bytes);

// The values loading shows from a tag:
//   title TIT2, artist TPE1, album TALB, album artist TPE2: the first such frame that holds text, its texts
//     joined by "; "; track TRCK and disc TPOS ("n" or "n/t"); tempo TBPM;
//   year: the first TDRC or TYER that holds a year (extractYear), else the first TDRL;
//   genre: the first TCON, with the genre references of other programs as names (see genreOfTag);
//   rating: every POPM (its rating byte) and TXXX "RATING_NUMERIC" (a number) or "RATING" (stars) frame
//     in order, the last that gives one winning; `firstRating` is the first such frame that gives one,
//     which an MP3 file falls back to when the others give 0;
//   cover: the first picture of type "front cover", else the first of type "other" (`picture` tells
//     which frame).
struct Shown {
    StoredTags values;
    std::optional<int> firstRating;
    qsizetype picture = -1;
};
Shown shownValues(const Tag& tag);

// The genre the first readable TCON frame of an ID3v2 tag (the whole tag, header included) stands for,
// or nothing when the tag has none. A TCON of an ID3v2.3 tag in UTF-8 (encoding 3, which only version 2.4
// defines and which our writers use) is our own and is read exactly as written, so that any genre we
// write reads back unchanged ("(Remix)", "2000", "17"). Any other TCON may hold genre references as other
// programs write them: "(17)" and "(17)Rock" (ID3v2.3, with "((" for a literal "("), "RX" and "CR"
// (remix, cover), and a bare "17" (ID3v2.4); each reference shows as the ID3v1 genre name, repeated names
// once, the parts joined with spaces.
std::optional<QString> genreOfTag(QByteArrayView tag);

// The rating of the ID3v2 tag at the head of a file's bytes by the rule MP3 loading falls back to: the
// first POPM or TXXX "RATING_NUMERIC" frame that gives one.
std::optional<int> readRating(QByteArrayView fileBytes);

// ---- The write ---------------------------------------------------------------------------------------

// The frames built for the given fields, in the fixed order TIT2, TPE1, TALB, TYER, TCON, APIC, POPM x3,
// TXXX "RATING_NUMERIC", then TPE2, TRCK, TPOS, TBPM. Empty texts, years outside 1900..2099, a rating of 0,
// an empty number and a tempo of 0 build nothing.
// `coverBytes` is the picture already converted for the format (absent: no APIC).
FrameList managedFrames(const TagValues& values, const std::optional<QByteArray>& coverBytes);

// The frames of the version 2.3 tag that replaces `old` (nothing when the file had no tag): the frames
// built for the given fields (`managedFrames`), then every old frame in its order except those loading
// reads for a given field: TIT2, TPE1, TALB, TPE2, TRCK, TPOS, TBPM; TYER, TDRC, TDRL, TDAT and TIME for the
// year; TCON; the shown
// picture for the cover (other pictures stay); for the rating our own POPM frames and the TXXX frames that
// name a rating, while a POPM of another program keeps its e-mail and play counter and only gets the new
// rating byte. A cover that is given but could not be converted (`coverBytes` absent) leaves the pictures
// as they are. Refused when the old tag has a `problem`.
TagResult<FrameList> rewrittenFrames(const std::optional<Tag>& old, const TagValues& values,
                                     const std::optional<QByteArray>& coverBytes);

// "ID3" 03 00 00, syncsafe size of frames + fill, the frames, then `fill` zero bytes.
QByteArray buildTag(const FrameList& frames, int fill);
// Bytes the frames take in a tag built by `buildTag` (headers and bodies, without fill).
qint64 serialisedSize(const FrameList& frames);

// Removes every frame with `id`, then appends one with the text body 0x03 + UTF-8 (no terminator).
FrameList setTextFrame(FrameList frames, const QByteArray& id, const QString& text);
// Whether a frame (2.3 form) is one of the rating frames a rating write replaces: a POPM, or a TXXX whose
// description (ASCII, or UTF-16) names a rating.
bool isRatingFrame(const ID3Frame& frame);
// APIC front cover: 0x00, MIME, 0x00, type 0x03, empty description 0x00, then the image bytes.
ID3Frame makePictureFrame(const QByteArray& imageBytes, const QByteArray& mimeType);
// The image bytes of an APIC frame's content: after the encoding byte, the MIME type up to its zero, the
// picture type byte, and the description up to its terminator. Nothing when no image byte remains.
std::optional<QByteArray> pictureData(ByteView content);

// Four bytes of 7 bits each; any other length gives 0. Bit 7 of each byte is ignored.
std::uint32_t decodeSyncsafe(QByteArrayView bytes);
// The MIME type for picture bytes: "image/png" for PNG bytes, else "image/jpeg".
QByteArray pictureMimeType(QByteArrayView imageBytes);

// Where a leading ID3v2 tag ends, and whether its header can be trusted: min(size, 10 + syncsafe size),
// plus the 10-byte footer of a version 2.4 tag that announces one and has it.
struct TagLocation {
    std::uint64_t end = 0;      // 0 when there is no tag
    bool runsPastEnd = false;   // the declared size is larger than the bytes hold
    bool malformedSize = false; // a byte of the size field has its top bit set, so it is not syncsafe
};
TagLocation locateTag(QByteArrayView bytes);
// The same when `bytes` holds only the first bytes of a file of `fileSize` bytes.
TagLocation locateTag(QByteArrayView bytes, qint64 fileSize);
// How many bytes from the start of a file `locateTag` needs to see its whole tag (with a 2.4 footer),
// given the file's first ten bytes.
qint64 headBytesToRead(QByteArrayView firstTen);

} // namespace quirella::id3
