// SPDX-License-Identifier: GPL-3.0-or-later
// The ID3v2.3 toolkit shared by the MP3, WAV and AIFF writers: pure functions over frame lists and bytes.
#pragma once

#include "tags/ByteView.h"
#include "tags/TagValues.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <functional>
#include <optional>

namespace quirella::id3 {

struct ID3Frame {
    QByteArray id;     // four ASCII characters, e.g. "TIT2"
    qint64 size = 0;   // length of `data`; cut to 32 bits in the frame header
    quint16 flags = 0; // 0 in frames we make; carried-over frames keep theirs
    QByteArray data;   // the frame body
};
using FrameList = QList<ID3Frame>;

// Popularimeter identifiers, written in this order, all with the same rating byte.
inline constexpr char kPopmIdentifierPlain[] = "no@email";
inline constexpr char kPopmIdentifierItunes[] = "iTunes";
inline constexpr char kPopmIdentifierOwn[] = "rating@quirella.tags"; // 20 characters

// Bytes of zero fill after the frames of an MP3 tag (none inside WAV and AIFF).
inline constexpr int kMp3Fill = 2048;

// Removes every frame with `id`, then appends one with the text body 0x03 + UTF-8 (no terminator).
FrameList setTextFrame(FrameList frames, const QByteArray& id, const QString& text);
// Keeps the frames that are not rating frames, then appends the three POPM frames and the
// "RATING_NUMERIC" TXXX frame for `rating` (1..5).
FrameList setRatingFrames(FrameList frames, qint64 rating);
bool isRatingFrame(const ID3Frame& frame);
// APIC front cover: 0x00, MIME, 0x00, type 0x03, empty description 0x00, then the image bytes.
ID3Frame makePictureFrame(const QByteArray& imageBytes, const QByteArray& mimeType);
// "ID3" 03 00 00, syncsafe size of frames + fill, the frames, then `fill` zero bytes.
QByteArray buildTag(const FrameList& frames, int fill);
// Four bytes of 7 bits each; any other length gives 0. Bit 7 of each byte is ignored.
std::uint32_t decodeSyncsafe(QByteArrayView bytes);
// The MIME type for picture bytes: "image/png" for PNG bytes, else "image/jpeg".
QByteArray pictureMimeType(QByteArrayView imageBytes);

// Where an ID3v2 tag at the head of `bytes` ends (0 when there is none): min(size, 10 + syncsafe size),
// plus the 10-byte footer of a version 2.4 tag that announces one and has it. Needs at least 11 bytes
// starting with "ID3". `runsPastEnd` tells whether the declared size runs past the end of the bytes (a
// file that must not be rewritten, since its audio would be lost).
std::uint64_t tagEnd(QByteArrayView bytes, bool* runsPastEnd = nullptr);

// Where a leading ID3v2 tag ends, and whether its header can be trusted. `end` follows `tagEnd` (a
// footer of version 2.4 is counted when the header announces it and it is really there).
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

// The largest tag body (frames plus fill) that the syncsafe size field can describe.
inline constexpr std::uint32_t kMaxTagBodySize = 0x0FFFFFFF;
// Bytes the frames take in a tag built by `buildTag` (headers and bodies, without fill).
qint64 serialisedSize(const FrameList& frames);

// The one walk over the frames of an ID3v2.3 or 2.4 tag (the whole tag, header included), shared by the
// writers (which frames to keep), the WAV reader, loading's genre and its direct rating read. Calls
// `visit(id, content)` for each frame in order until it returns false, with the content as the frame's
// type defines it (grouping byte and data length indicator skipped, unsynchronisation undone). Frames
// whose content cannot be read (compressed, encrypted) are passed over, and so is a frame of size 0: it
// carries nothing (version 2.3 forbids it), and the writers keep what follows it, so readers see that
// too. The walk skips an extended header and stops at padding, at an id outside [A-Z0-9]{4}, at a size
// that runs past the tag (or is not syncsafe in 2.4), and after 65,536 frames. Version 2.2 and unknown
// versions give no frames. `major` tells the tag's version when it is wanted.
using FrameVisitor = std::function<bool(QByteArrayView id, ByteView content)>;
void forEachFrame(QByteArrayView tag, const FrameVisitor& visit, int* major = nullptr);

// The rating stored in the ID3v2 tag at the head of a file, read straight from its bytes: the first
// POPM frame (its rating byte mapped to 0..5 by rounding) or TXXX "RATING_NUMERIC" frame (clamped to
// 0..5) that gives one. Nothing when there is no tag, no such frame, or the tag is malformed.
std::optional<int> readRating(QByteArrayView fileBytes);

// The genre the first TCON frame of an ID3v2 tag (the whole tag, header included) stands for, or nothing
// when the tag has no readable TCON frame. A TCON of an ID3v2.3 tag in UTF-8 (encoding 3, which only
// version 2.4 defines and which our writers use) is our own and is read exactly as written, so that any
// genre we write reads back unchanged ("(Remix)", "2000", "17"). Any other TCON may hold genre references
// as other programs write them: "(17)" and "(17)Rock" (ID3v2.3, with "((" for a literal "("), "RX" and
// "CR" (remix, cover), and a bare "17" (ID3v2.4); each reference shows as the ID3v1 genre name, repeated
// names once, the parts joined with spaces.
std::optional<QString> genreOfTag(QByteArrayView tag);

// The frames a writer builds from the values, in the fixed order TIT2, TPE1, (TALB), TYER, TCON, APIC,
// POPM x3, TXXX. `coverBytes` is the already converted picture (absent: no APIC).
FrameList managedFrames(const TagValues& values, const std::optional<QByteArray>& coverBytes);

// Picture types loading shows as a song's cover: the front cover (3), else a picture of type "other"
// (0), which taggers that do not ask for a type write. Other types (back cover, artist, ...) are never
// shown, so the writers leave them alone.
inline bool isShownPictureType(std::optional<std::uint8_t> type) {
    return type == 0x03 || type == 0x00;
}

// The frames of an old ID3v2 tag (the whole tag, header included) that the writers keep, in order.
// Managed frames, every frame loading reads for a field, are dropped: TIT2, TPE1, TYER, TDRC, TDRL, TDAT,
// TIME, TCON, every POPM, APIC of a shown type (`isShownPictureType`), rating TXXX frames (`isRatingFrame`,
// or a UTF-16 description naming a rating), and TALB when `albumGiven` (the new tag has one of its own).
// Version 2.3 frames are kept byte for byte with their flags (a whole-tag unsynchronisation is undone first);
// version 2.4 frames get a plain size and 2.3 flags, and are dropped when compressed, encrypted,
// unsynchronised or with a data length indicator. Version 2.2 and unknown versions give nothing. Empty frames
// and text frames with an encoding byte above 3 are dropped. The walk skips an extended header and stops at
// padding, at an id outside [A-Z0-9]{4}, at a size running past the tag, and after 65,536 frames.
// With `keepPictures`, every APIC is kept as well.
FrameList keptFrames(QByteArrayView oldTag, bool albumGiven, bool keepPictures = false);

} // namespace quirella::id3
