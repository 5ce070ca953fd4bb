// SPDX-License-Identifier: GPL-3.0-or-later
// Tags of M4A (MPEG-4 audio) files: the iTunes-style items of moov/udta/meta/ilst (see Mp4Tags.h for which
// items a field is read from and how a write changes them). Only the movie box is rebuilt; the audio
// bytes are never touched, and the chunk offsets that point at them move with them when the movie box in
// front of them changes its size. A write that changes no field leaves the file alone.
//
// The cover is fitted into 300 x 300 pixels and stored as JPEG within 500,000 bytes; bytes that do not
// decode are stored as they came, typed as PNG, GIF or BMP when their signature says so and as JPEG
// otherwise.
//
// Before the new file replaces the original, both are checked box by box (see Mp4Structure.h): a file cut
// short is refused with `notValidFormat`, and a rewritten file whose audio bytes differ from the
// original's, or whose items would not read back as written, is never put in its place.
#pragma once

#include "tags/ByteView.h"
#include "tags/StoredTags.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"
#include "tags/TagWriter.h"

#include <QFuture>
#include <QString>
#include <QThreadPool>

#include <memory>

namespace quirella {

class M4ATagEditor final : public TagWriter {
public:
    // Writes on a worker thread of this editor. Every write starts at once on a thread of its own, so a
    // slow write (or one the batch gave up on and that is still finishing its current step) never holds
    // up the next one. Cancelling the returned future, or `cancellation`, stops the write at its next
    // check and leaves the original untouched (the batch gives up on an M4A file after a time limit and
    // must not have it replaced behind its back); once the replacement has begun, cancelling changes
    // nothing, and `cancellation->cancel()` says so.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // The same work on the calling thread. `cancellation`, when set, is checked between the steps of the
    // write (reading, rebuilding, checking) and claimed right before the replacement; a cancelled write
    // ends with `writeFailure` and leaves nothing behind.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values,
                                  WriteCancellation* cancellation = nullptr);

    // The new file content for the given fields (pure), with `coverBytes` the cover already converted.
    // Refuses what the description above refuses.
    static TagResult<QByteArray> rebuild(ByteView file, const TagValues& values,
                                         const std::optional<QByteArray>& coverBytes = std::nullopt);

    // What loading shows of a file whose movie box is `moov` (header included).
    static StoredTags storedTags(ByteView moov);

    M4ATagEditor();
    ~M4ATagEditor() override; // waits for the writes still running
    M4ATagEditor(const M4ATagEditor&) = delete;
    M4ATagEditor& operator=(const M4ATagEditor&) = delete;

private:
    QThreadPool m_pool;
};

} // namespace quirella
