// SPDX-License-Identifier: GPL-3.0-or-later
// The ID3v2.3 tag at the head of an MP3 file. A write rebuilds the tag from the old one (see
// id3::rewrittenFrames: only the given fields change, every other frame is carried over) followed by
// 2,048 bytes of zero fill; every byte behind the old tag (the audio, an ID3v1 trailer, anything) follows
// unchanged. A write that changes no field leaves the file alone.
#pragma once

#include "tags/Id3.h"
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

class MP3TagEditor final : public TagWriter {
public:
    // The new content may not exceed this many bytes.
    static constexpr qint64 kMaxFileSize = 499'999'999;
    // An ID3v1 tag: the last 128 bytes of the file, starting with "TAG".
    static constexpr qint64 kId3v1Size = 128;

    // Runs `writeTagsNow` on this writer's own thread; calls never overlap.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // Checks that the file can be rewritten, reads its old tag, converts the cover for MP3 and replaces
    // the file atomically with the new tag and the unchanged rest. A refused file stays exactly as it was.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

    // What `rebuild` makes, in two parts: the new tag, and the offset in the old file from which the
    // rest follows it unchanged.
    struct RebuiltTag {
        QByteArray tag;
        qsizetype restOffset = 0;
    };
    // `head` holds the file's first bytes, at least its whole old tag (see id3::headBytesToRead) and the
    // first bytes behind it; `fileSize` is the size of the whole file; `coverBytes` the given cover
    // converted for MP3. Refuses a file whose old tag claims more bytes than there are, has a size that is
    // not syncsafe or cannot be carried over whole, a file without a tag that does not start with MPEG
    // audio, and results over kMaxFileSize.
    static TagResult<RebuiltTag> rebuildTag(QByteArrayView head, qint64 fileSize, const TagValues& values,
                                            const std::optional<QByteArray>& coverBytes = std::nullopt);
    // The same over the whole file in memory.
    static TagResult<QByteArray> rebuild(QByteArrayView file, const TagValues& values,
                                         const std::optional<QByteArray>& coverBytes = std::nullopt);

    // What loading shows for a file whose first bytes (its whole ID3v2 tag, if any) are `head` and whose
    // last 128 bytes, where they follow that tag, are `tail`: the ID3v2 fields, the rating of the first
    // rating frame when the others give none, and the title and artist of an ID3v1 tag where the ID3v2 tag
    // has none.
    static StoredTags storedTags(QByteArrayView head, QByteArrayView tail);

    // Whether MPEG audio starts in `bytes`: a valid frame header at the first byte that is not zero.
    static bool startsWithAudio(ByteView bytes);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
