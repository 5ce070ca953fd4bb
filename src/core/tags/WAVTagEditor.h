// SPDX-License-Identifier: GPL-3.0-or-later
// Tags of WAV files. A WAV file carries its tags twice, as a RIFF "LIST"/"INFO" chunk of plain texts and
// as an "ID3 " chunk holding an ID3v2 tag (which also carries the cover and the rating). Loading reads the
// first INFO list, wherever it stands, and the first ID3 chunk; a write rebuilds exactly those two.
#pragma once

#include "tags/ByteView.h"
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

#include <optional>

namespace quirella {

namespace wav {

// At least 13 bytes with "RIFF" at 0 and "WAVE" at 8, else `notValidFormat`.
TagStatus checkWaveHeader(QByteArrayView bytes);

// The chunks that hold the tags: the first "LIST" chunk of type INFO and the first "ID3 "/"id3 " chunk.
bool isInfoList(ByteView file, const riff::RIFFChunk& chunk);
bool isId3Chunk(const riff::RIFFChunk& chunk);

// What loading shows of a file whose INFO list and ID3 chunk have these payloads: the title, artist,
// album, track and year of the ID3 tag, else of INFO; the genre of INFO, else of the ID3 tag; the rating and
// the cover of the ID3 tag.
StoredTags storedTags(std::optional<ByteView> infoPayload, std::optional<ByteView> id3Payload);

// The same for a whole file in memory. Fails only with `notValidFormat` for a file that is no RIFF/WAVE
// file; anything inside that does not fit is skipped.
TagResult<StoredTags> readTags(QByteArrayView bytes);

// The rewritten file for the given fields. Every chunk of the source stays in its order with its bytes,
// except: when a title, artist, album, year or genre is given, the first INFO list is rebuilt
// (riff::rebuiltInfoList) and stands directly after the first "fmt " chunk; the first ID3 chunk is
// rebuilt (id3::rewrittenFrames, with `coverBytes` as the converted cover) and comes last, followed by any
// further ID3 chunks as they were. Refuses a file it could not rewrite without losing audio: no
// RIFF/WAVE (`notValidFormat`), a missing or overrunning "fmt " (`notValidFormat`), a missing or
// overrunning "data" (`cannotReadFile`), an unfinished recording whose "data" size is 0 with samples behind
// it (`cannotReadFile`), any other chunk cut off by the end of the file, an id that is not four printable
// characters, or bytes other than zero fill that belong to no chunk (`notValidFormat`), more chunks than
// the walk takes (`notValidFormat`), an ID3 tag that cannot be carried over whole, or a result of 4 GiB or
// more (`writeFailure`).
TagResult<QByteArray> rebuildWAV(QByteArrayView bytes, const TagValues& values,
                                 const std::optional<QByteArray>& coverBytes);

} // namespace wav

// Runs its writes one at a time, in the order requested, off the UI thread.
class WAVTagEditor final : public TagWriter {
public:
    QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                 std::shared_ptr<WriteCancellation> cancellation = {}) override;

    // The same work on the calling thread.
    static TagStatus writeTagsNow(const QString& path, const TagValues& values);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
