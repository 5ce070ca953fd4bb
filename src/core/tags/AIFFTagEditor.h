// SPDX-License-Identifier: GPL-3.0-or-later
// The ID3v2.3 tag of an AIFF file, an "ID3 " chunk at its end. Loading reads the first ID3 chunk (either
// spelling, "ID3 " or "id3 "); a write rebuilds that one and puts it behind every other chunk, which stay
// in their order byte for byte (further ID3 chunks follow the new one as they were).
#pragma once

#include "tags/Id3.h"
#include "tags/Riff.h"
#include "tags/SerialExecutor.h"
#include "tags/StoredTags.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"
#include "tags/TagWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFuture>
#include <QString>

namespace quirella {

class AIFFTagEditor final : public TagWriter {
public:
    // The walk refuses files with more chunks than this; real files have a handful.
    static constexpr int kMaxChunks = riff::kMaxChunks;

    // Runs `writeTagsNow` on this writer's own thread; calls never overlap.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // Checks that the file can be rewritten, reads it, converts the cover for AIFF and replaces the file
    // atomically with the rebuilt bytes. A refused file stays exactly as it was.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

    // The new file content (pure) for the given fields, `coverBytes` being the converted cover. Refuses
    // anything but a plain AIFF (AIFF-C included), a chunk running past the end of the file (its audio
    // would be lost), more than kMaxChunks chunks, a tag that cannot be carried over whole, and results of
    // 4 GiB or more.
    static TagResult<QByteArray> rebuild(QByteArrayView file, const TagValues& values,
                                         const std::optional<QByteArray>& coverBytes = std::nullopt);

    // Whether a chunk id names an ID3 chunk.
    static bool isId3Chunk(ByteView id);
    // What loading shows of a file whose first ID3 chunk has this payload.
    static StoredTags storedTags(std::optional<ByteView> id3Payload);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
