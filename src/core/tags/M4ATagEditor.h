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

#include "tags/SerialExecutor.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QFuture>
#include <QString>

#include <functional>

namespace quirella {

class M4ATagEditor {
public:
    // Name prefix of the temporary copies in the private temporary folder.
    static constexpr char kTempPrefix[] = "Quirella_M4A_";

    // Writes on this editor's own worker thread, one call after the other. Cancelling the returned
    // future before the copy replaces the original leaves the original untouched (the batch gives up
    // on an M4A file after a time limit and must not have it replaced behind its back); once the
    // replacement has happened, cancelling changes nothing.
    QFuture<TagStatus> writeTags(const QString& path, TagValues values);

    // The same work on the calling thread. `isCancelled`, when set, is asked right before the
    // replacement; answering true abandons the write with `writeFailure`.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values,
                                  const std::function<bool()>& isCancelled = {});

    // The text of the rating comment: "Rating: " followed by `rating` stars.
    static QString ratingComment(int rating);
    // Whether a comment text is a rating comment (see above).
    static bool isRatingComment(const QString& text);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
