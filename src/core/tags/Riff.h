// SPDX-License-Identifier: GPL-3.0-or-later
// The chunk walk of RIFF (WAV, little-endian sizes) and IFF (AIFF, big-endian sizes) files, and the INFO
// list the WAV writer builds. In both, a 12-byte header ("RIFF"/"FORM", size, form type) is followed by
// chunks of id, 32-bit size, payload, and one pad byte when the size is odd.
#pragma once

#include "tags/ByteView.h"
#include "tags/StoredTags.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace quirella::riff {

struct RIFFChunk {
    QByteArray id;     // four ASCII characters, e.g. "fmt "
    quint32 size = 0;  // the header's size field: payload length without header and pad byte
    qint64 offset = 0; // position of the chunk header from the start of the file
};

// A hostile file of 8-byte chunks would otherwise make the walk allocate without bound.
inline constexpr int kMaxChunks = 100'000;

// Whether four bytes can be a chunk id: ASCII, and not four zero bytes (zero fill ends a walk).
bool isChunkId(ByteView id);

// Whether four bytes are a chunk id a writer wrote on purpose: printable ASCII (0x20..0x7E). Anything
// else where a chunk should start means the walk has left the chunk structure, typically because a size
// field was never filled in and samples are being read as chunks.
bool isPrintableChunkId(ByteView id);

enum class ByteOrder { littleEndian, bigEndian };

// The one chunk walk of both containers: the chunks after the 12-byte header to the end of the bytes
// (the header's size field is not trusted). Stops at an id that is not four printable characters, and
// after kMaxChunks chunks; `hitLimit` tells whether the cap cut the walk short. Payloads are not checked
// against the end: the last chunk may run past it (use `payload`, or `checkWholeChunks` for a rewrite).
QList<RIFFChunk> walkChunks(QByteArrayView bytes, ByteOrder order, bool* hitLimit = nullptr);

// The walk of a WAV file (little-endian).
QList<RIFFChunk> parseChunks(QByteArrayView bytes, bool* hitLimit = nullptr);

// Whether a rewrite that copies whole chunks keeps every byte that matters: every chunk lies inside the
// file, and the walk reached the end of the file, up to fewer than 8 bytes or zero fill (space reserved
// by some writers). Otherwise it is refused with `notValidFormat`: a chunk cut off by the end of the file
// (truncated), or bytes that belong to no chunk (an id that is not text: samples read as chunk headers).
// When that happens right after a `soundId` chunk of size 0, the file is an unfinished recording (a
// recorder that crashed or streamed left the size at 0 with the samples behind it), refused with
// `unfinishedError` and a message that says so. `format` names the container in the messages.
TagStatus checkWholeChunks(ByteView file, const QList<RIFFChunk>& chunks, QByteArrayView soundId,
                           const QString& format, TagError unfinishedError);

// The chunk's payload, or nothing when it runs past the end of `file`.
std::optional<ByteView> payload(ByteView file, const RIFFChunk& chunk);

// Appends one INFO sub-chunk: id, length n, the text in ISO-8859-1 with a terminating zero and one more
// zero when that makes n odd. A text with a character outside ISO-8859-1 is written as empty text rather
// than with replacement characters.
void appendInfoField(QByteArrayView id, const QString& text, QByteArray& into);

// The fields an INFO list payload (starting with "INFO") holds: INAM title, IART artist, IPRD album, IGNR
// genre, ITRK track, ICRD year (its first four digits, when they make a year). Texts end at their first zero
// byte and lose control characters at either end; they are UTF-8 when the bytes are valid UTF-8 (as ffmpeg
// writes them), else ISO-8859-1. A later sub-chunk with the same id wins.
StoredTags infoFields(ByteView listPayload);

// Whether writing `values` changes the INFO list: a title, artist, album, year, genre or track is given.
bool changesInfo(const TagValues& values);

// The INFO list chunk ("LIST", size, "INFO", sub-chunks) that replaces the list `oldPayload` (empty when
// the file has none) for the given fields: new sub-chunks for them, INAM title, IART and ISTR artist, IPRD
// album, ICRD year, IGNR genre, ITRK track, in that order and each only when not empty (no ICRD for the year
// 0), then every old sub-chunk of a field that is not given, byte for byte with its pad byte. Empty when no
// sub-chunk is left. A sub-chunk that runs past the end of the old list ends the walk.
QByteArray rebuiltInfoList(ByteView oldPayload, const TagValues& values);

} // namespace quirella::riff
