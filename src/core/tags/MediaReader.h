// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a music file's tags with TagLib for song building: every format is opened read-only, and each
// maps its tags to the fields the formats share (title, artist, the shown picture, a date) and to items
// named as in its own tag format.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quirella {

// One tag item of a file, as the reader hands it over. `identifier` is the item's name in its own tag
// format: an ID3v2 frame id ("TDRC", "POPM", "TXXX") or an MP4 item key ("©day", "©cmt"; freeform items
// as "<mean>.<name>", e.g. "com.apple.iTunes.year").
// `bytes` is set only for POPM and TXXX frames (the frame body as stored), the only items read as bytes;
// `number` only for MP4 freeform items that hold an integer instead of a text.
struct MetadataItem {
    QString identifier;
    std::optional<QString> text;
    std::optional<QByteArray> bytes;
    std::optional<qint64> number;
};

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
    // The Vorbis comments of a FLAC, Ogg Vorbis or Opus file ("NAME=value"): its fields are read from
    // them by the rules the writers share (tags/VorbisComment.h), not from `items`.
    std::optional<QList<QByteArray>> vorbisComments;
};

// Reads the tags of an MP3, M4A, WAV, AIFF, FLAC, Ogg (Vorbis or Opus) file with TagLib, read-only.
// `extension` is the lower-case extension that selects the format. Blocking and safe to call from several
// threads at once.
MediaMetadata readMediaMetadata(const QString& path, const QString& extension);

} // namespace quirella
