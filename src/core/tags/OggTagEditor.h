// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the comments and the cover of an Ogg Vorbis or Opus file (".ogg", ".oga", ".opus"). An Ogg file
// is a chain of pages ("OggS", flags, granule position, stream serial, page number, checksum, a table of
// segment lengths, the body) that carry the packets of a stream: for Vorbis three header packets
// (identification, comments, setup), for Opus two (OpusHead, OpusTags), then the audio.
//
// Only the comment packet changes (see VorbisComment.h; the cover is a METADATA_BLOCK_PICTURE comment).
// The header packets after the first are laid out on new pages; the first page and every audio page keep
// their bytes, except that the audio pages are renumbered (and their checksums renewed) when the headers
// now take another number of pages. The vendor text, the other comments and any bytes after the list
// (the framing bit, Opus padding) stay as they were. A file whose values already are the ones given is not
// touched.
//
// Refused, and left as it was: a first page that holds anything but the identification packet whole, a
// page that is damaged (its checksum, its sizes) or cut off, bytes after
// the last page, pages missing from the sequence, more than one logical stream, and streams that are not
// Vorbis or Opus (FLAC in Ogg, for one).
#pragma once

#include "tags/ByteView.h"
#include "tags/SerialExecutor.h"
#include "tags/StoredTags.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"
#include "tags/TagWriter.h"

#include <QByteArray>
#include <QFuture>
#include <QList>
#include <QString>

#include <cstdint>

namespace quirella {

class OggTagEditor final : public TagWriter {
public:
    struct Page {
        qint64 offset = 0; // where the page starts in the file
        qint64 size = 0;   // header and body
        std::uint8_t flags = 0;
        std::uint32_t sequence = 0;
        QByteArray segments; // the lacing values
        qint64 bodyOffset = 0;
    };
    // The new file: `head`, then the old file from `restOffset` on.
    struct Rewrite {
        QByteArray head;
        qint64 restOffset = 0;
    };

    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

    // Every page of a file, checked as described above. With `cutOff`, bytes that end inside a page are
    // not refused: the pages before it come back and `*cutOff` is set (for a reader of a file's head).
    static TagResult<QList<Page>> pagesOf(ByteView file, bool* cutOff = nullptr);
    // What loading shows, from the first bytes of a file: the fields of the comment header by the rules
    // the writer follows (see VorbisComment.h), and the shown METADATA_BLOCK_PICTURE or COVERART picture.
    // When the bytes end before the header packets do, `*needMore` is set and more should be read.
    static TagResult<StoredTags> storedTags(ByteView head, bool* needMore = nullptr);
    // The rewrite of `file` for `values`, or an empty head when nothing changes.
    static TagResult<Rewrite> rebuild(ByteView file, const TagValues& values);
    // The checksum of a page whose checksum field holds zeros.
    static std::uint32_t checksum(QByteArrayView page);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
