// SPDX-License-Identifier: GPL-3.0-or-later
// Tags of WAV files: the reader used while loading a folder, and the writer. A WAV file carries its tags
// twice, as a RIFF "LIST"/"INFO" chunk of plain texts and as an "ID3 " chunk holding an ID3v2.3 tag
// (which also carries the cover and the rating).
#pragma once

#include "tags/ByteView.h"
#include "tags/SerialExecutor.h"
#include "tags/TagError.h"
#include "tags/TagValues.h"
#include "tags/TagWriter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFuture>
#include <QMap>
#include <QString>

#include <optional>

namespace quirella {

using WavMetadata = QMap<QString, QString>;

namespace wav {

// What the reader finds in the bytes of a file. `fields` uses the keys "title", "artist", "album",
// "year", "genre" (from INFO) and "rating" (a digit 0 to 5, from a POPM frame); `picture` holds the image
// bytes of the first readable front cover, else of the first picture of type "other", saved to a cover
// file by the file-level reader.
struct WavTags {
    WavMetadata fields;
    std::optional<QByteArray> picture;
    bool pictureIsFront = false;
};

// At least 13 bytes with "RIFF" at 0 and "WAVE" at 8, else `notValidFormat`.
TagStatus checkWaveHeader(QByteArrayView bytes);

// Reads the first "LIST" chunk (when it is an INFO list) and the first "ID3 "/"id3 " chunk. Fails only
// with `notValidFormat` for a file that is no RIFF/WAVE file; anything inside that does not fit is skipped.
TagResult<WavTags> readTags(QByteArrayView bytes);

// The image bytes of an ID3 "APIC" frame body: after the encoding byte, the MIME type up to its zero, the
// picture type byte, and the description up to its terminator. Nothing when no image byte remains.
std::optional<QByteArray> extractPicture(ByteView body);

// The rewritten file: every chunk of the source in its order with its bytes unchanged, except that a new
// INFO list stands directly after the first "fmt " chunk (it holds the given values, then the old lists'
// sub-chunks the writer does not manage), old INFO lists and "ID3 "/"id3 " chunks and the filler chunks
// "JUNK"/"PAD " are left out, and a new "ID3 " chunk comes last: the managed frames for `values` (with
// `coverBytes`, already converted, as the picture), then the frames of the old ID3 tag that are not
// managed. Refuses a file it could not rewrite without losing audio: no RIFF/WAVE (`notValidFormat`), a
// missing or overrunning "fmt " (`notValidFormat`), a missing or overrunning "data" (`cannotReadFile`),
// an unfinished recording whose "data" size is 0 with samples behind it (`cannotReadFile`), any other
// chunk cut off by the end of the file, an id that is not four printable characters, or bytes other
// than zero fill that belong to no chunk (`notValidFormat`), more chunks than the walk takes
// (`notValidFormat`), or a result of 4 GiB or more (`writeFailure`).
TagResult<QByteArray> rebuildWAV(QByteArrayView bytes, const TagValues& values,
                                 const std::optional<QByteArray>& coverBytes);

} // namespace wav

// Runs its reads and writes one at a time, in the order requested, off the UI thread.
class WAVTagEditor final : public TagWriter {
public:
    QFuture<TagResult<WavMetadata>> readMetadata(const QString& path);
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // The same work on the calling thread. The reader adds "cover_path" (a file written by
    // saveCoverToTemp with the prefix "WAV_Cover") when the ID3 chunk holds a picture.
    static TagResult<WavMetadata> readMetadataNow(const QString& path);
    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
