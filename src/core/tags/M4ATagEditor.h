// SPDX-License-Identifier: GPL-3.0-or-later
// Tags of M4A (MPEG-4 audio) files. The file is copied into the private temporary folder, the iTunes-style
// items are set on the copy with TagLib, and the copy then replaces the original in one rename, so the
// original is never half-written and its audio samples are never re-encoded.
//
// Items this writer manages, each set when given and removed when not given:
//   ©nam title, ©ART artist, ©gen genre (non-empty text), ©day release year (1900..2099, decimal),
//   covr cover (one picture), and the rating comment in ©cmt ("Rating: " and one ★ per star, rating >= 1).
// ©alb is set (or, for an empty text, removed) only when an album is passed and left alone otherwise.
// Every other item and atom of the file stays as it was. The cover is fitted into 300 x 300 pixels and
// stored as JPEG within 500,000 bytes; bytes that do not decode are stored as they came, typed as PNG,
// GIF or BMP when their signature says so and as JPEG otherwise. An empty cover counts as no cover.
//
// Before the copy replaces the original, both are checked box by box (see Mp4Structure.h): a file cut
// short is refused with `notValidFormat`, and a rewritten copy whose audio bytes differ from the
// original's is never put in its place.
//
// ©cmt can hold several texts. A rating comment is a text that contains "Rating:" and at least one ★.
// Writing a rating puts the rating text first and keeps the file's other comment texts after it; a
// rating of 0 removes the rating texts only, so a comment the user wrote by hand is never lost.
#pragma once

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
    // Name prefix of the temporary copies in the private temporary folder.
    static constexpr char kTempPrefix[] = "Quirella_M4A_";

    // Writes on a worker thread of this editor. Every write starts at once on a thread of its own, so a
    // slow write (or one the batch gave up on and that is still finishing its current step) never holds
    // up the next one. Cancelling the returned future, or `cancellation`, stops the write at its next
    // check and leaves the original untouched (the batch gives up on an M4A file after a time limit and
    // must not have it replaced behind its back); once the replacement has begun, cancelling changes
    // nothing, and `cancellation->cancel()` says so.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // The same work on the calling thread. `cancellation`, when set, is checked between the steps of the
    // write (reading, copying, tagging the copy, checking it) and claimed right before the replacement;
    // a cancelled write ends with `writeFailure` and leaves nothing behind.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values,
                                  WriteCancellation* cancellation = nullptr);

    M4ATagEditor();
    ~M4ATagEditor() override; // waits for the writes still running
    M4ATagEditor(const M4ATagEditor&) = delete;
    M4ATagEditor& operator=(const M4ATagEditor&) = delete;

private:
    QThreadPool m_pool;
};

} // namespace quirella
