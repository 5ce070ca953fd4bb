// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the Vorbis comments and the cover of a FLAC file. A FLAC file is "fLaC", then metadata blocks
// (a header byte holding the last-block flag and the type, a 24-bit big-endian length, the body), then
// the audio frames; some programs put an ID3v2 tag in front of it all.
//
// Only the VORBIS_COMMENT block (see VorbisComment.h for what changes in it) and the PICTURE block that
// loading shows as the cover are rewritten; every other block (STREAMINFO, SEEKTABLE, CUESHEET,
// APPLICATION, PADDING, other pictures) keeps its bytes and its place, and the frames are copied
// unchanged. A file whose values already are the ones given is not touched at all.
//
// Refused, and left as it was: a file without the marker or without STREAMINFO first, a block that runs
// past the end, an empty block other than padding or a seek table, metadata not followed by a frame, and a
// file that does not end with a whole frame (cut off while it was recorded or copied).
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
#include <optional>

namespace quirella {

class FLACTagEditor final : public TagWriter {
public:
    enum BlockType : std::uint8_t {
        streamInfo = 0,
        padding = 1,
        application = 2,
        seekTable = 3,
        vorbisComment = 4,
        cueSheet = 5,
        picture = 6,
    };
    struct Block {
        std::uint8_t type = 0;
        QByteArray body;
    };
    // The metadata of a file: what stands before the marker, the blocks, and where the frames begin.
    struct Metadata {
        QByteArray prefix;
        QList<Block> blocks;
        qint64 framesOffset = 0;
    };

    // Runs `writeTagsNow` on this writer's own thread; calls never overlap.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

    // The metadata at the head of `bytes`, which hold at least all of it; `fileSize` is the size of the
    // whole file. Refuses what the description above refuses, except the end of the file.
    static TagResult<Metadata> parseMetadata(ByteView bytes, qint64 fileSize);
    // How many bytes from the start of the file parseMetadata needs, judged from the bytes read so far;
    // 0 once they hold all of it (or are enough to refuse the file).
    static qint64 moreBytesNeeded(ByteView bytes);

    // The new head of the file (prefix, marker and blocks) for `values`; empty when nothing changes.
    static TagResult<QByteArray> rebuildHead(const Metadata& metadata, const TagValues& values);

    // What loading shows: the fields of the first VORBIS_COMMENT block (nothing when it is damaged) and
    // the shown picture, the first front cover among the PICTURE blocks that parse, else the first.
    static StoredTags storedTags(const Metadata& metadata);

    // Whether `tail`, the last bytes of a file, ends with a whole frame: a frame header whose checksum
    // holds, and the frame's own checksum in the last two bytes. Takes time in proportion to the tail.
    static bool endsWithWholeFrame(ByteView tail);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
