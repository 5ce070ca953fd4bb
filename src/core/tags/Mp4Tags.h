// SPDX-License-Identifier: GPL-3.0-or-later
// The iTunes-style metadata of MPEG-4 files: the item list "ilst" in moov/udta/meta. One parse serves
// loading and writing: loading shows what it reads, and a write replaces exactly the items loading reads
// for the given fields while every other item keeps its bytes.
//
// What loading reads (an item's identifier is its box type, "©nam", or "<mean>.<name>" for a free-form
// "----" item, e.g. "com.apple.iTunes.year"):
//   title ©nam, artist ©ART, album ©alb, album artist aART: the texts of the first such item, joined by
//     "; "; track trkn and disc disk (number and total, 16 bits each after two bytes); tempo tmpo;
//   year: the first year ©day gives, else the first item named like a year or a date ("year", "date",
//     ©day...) that gives one, as text or as a number;
//   genre: ©gen, else the ID3v1 genre number of "gnre", else an item named like a genre;
//   rating: the last "Rating: ★★★" text of ©cmt, else of another comment item;
//   cover: the first picture of covr.
// A write of a field puts one new item where the first item read for it stood (or at the end of the list)
// and removes the others: ©day for the year (a year of 0 removes them all), ©gen for the genre, the
// rating text first in ©cmt with the comment's other texts after it, the new picture in place of the
// first one of covr (the other pictures stay). The item list and any container on the way to it are
// made when missing; a "free" box right behind the list absorbs a change of its size where it can,
// otherwise the chunk offsets of every track move with the audio.
#pragma once

#include "tags/ByteView.h"
#include "tags/Mp4Structure.h"
#include "tags/StoredTags.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace quirella::mp4 {

// Data types of "data" boxes.
enum DataType : std::uint32_t {
    implicit = 0,
    utf8 = 1,
    utf16 = 2,
    gif = 12,
    jpeg = 13,
    png = 14,
    signedInteger = 21,
    bmp = 27,
};

struct DataBox {
    std::uint32_t type = 0;
    QByteArray payload; // after the type and locale words
    QByteArray stored;  // the whole box as stored
};

struct Item {
    QString identifier;
    QList<DataBox> data;
    QByteArray stored;   // the whole item box as stored
    bool parsed = false; // false: a box that is not an item of the usual form, carried as it is
};

// The boxes of an item list's payload; a box that runs past the list ends it (the rest is carried as one
// unparsed item).
QList<Item> parseItems(ByteView ilstPayload);

// The fields loading shows from a list of items.
StoredTags storedTags(const QList<Item>& items);

// The items of a whole "moov" box (header included), or nothing when it has no item list.
std::optional<QList<Item>> itemsOfMovie(ByteView moov);

// The chunk offsets of every track of a whole "moov" box, in order; nothing when a table is damaged.
std::optional<QList<std::uint64_t>> chunkOffsets(ByteView moov);

// The new "moov" box for the given fields (`coverBytes` already converted for M4A), and how far every
// byte behind the old one moves. `moov` is the old box, `moovOffset` where it stands in the file; a
// non-zero shift moves the chunk offsets (stco, co64) that point behind it. Refused when a box on the way
// is damaged, an offset would overflow, or a fragmented file would need its fragments moved.
struct MovieRewrite {
    QByteArray moov;
    std::int64_t shift = 0;
};
TagResult<MovieRewrite> rewrittenMovie(ByteView moov, std::uint64_t moovOffset, bool fragmented,
                                       const TagValues& values, const std::optional<QByteArray>& coverBytes);

} // namespace quirella::mp4
