// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the ID3v2.3 tag at the head of an MP3 file. The new tag holds the frames built from the
// values, then every frame of the old tag that we do not manage, then 2,048 bytes of zero fill; every
// byte behind the old tag (the audio, an ID3v1 trailer, anything) follows unchanged.
#pragma once

#include "tags/Id3.h"
#include "tags/SerialExecutor.h"
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

    // Runs `writeTagsNow` on this writer's own thread; calls never overlap. The album is ignored.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // Checks that the file can be rewritten, reads its old tag, converts the cover for MP3 and replaces
    // the file atomically with the new tag and the unchanged rest. A refused file stays exactly as it was.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

    // The new file content for `file` with `managed` frames in front (pure). Refuses a file whose old
    // tag claims more bytes than there are or has a size that is not syncsafe (its audio could be
    // cut), and results over kMaxFileSize.
    // With `keepPictures`, the old tag's pictures are all kept.
    static TagResult<QByteArray> rebuild(QByteArrayView file, const id3::FrameList& managed,
                                         bool keepPictures = false);

    // What `rebuild` makes, in two parts: the new tag, and the offset in the old file from which the
    // rest follows it unchanged. `head` holds the file's first bytes, at least its whole old tag (see
    // id3::headBytesToRead); `fileSize` is the size of the whole file.
    struct RebuiltTag {
        QByteArray tag;
        qsizetype restOffset = 0;
    };
    static TagResult<RebuiltTag> rebuildTag(QByteArrayView head, qint64 fileSize,
                                            const id3::FrameList& managed, bool keepPictures = false);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
