// SPDX-License-Identifier: GPL-3.0-or-later
// Writes an ID3v2.3 tag into an AIFF file as an "ID3 " chunk at its end. Every other chunk stays in its
// order, byte for byte; earlier ID3 chunks are replaced, and the frames of theirs that we do not manage
// move into the new tag behind our own.
#pragma once

#include "tags/Id3.h"
#include "tags/Riff.h"
#include "tags/SerialExecutor.h"
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

    // The new file content (pure): the FORM header, every chunk but the ID3 ones, then the new "ID3 "
    // chunk with `managed` followed by the kept frames of the old ones, and the FORM size fixed.
    // `albumGiven`: the managed frames carry a TALB, so an old one is dropped. Refuses anything but a
    // plain AIFF (AIFF-C included), a chunk running past the end of the file (its audio would be lost),
    // more than kMaxChunks chunks, and results of 4 GiB or more.
    // With `keepPictures`, the old tags' pictures are all kept.
    static TagResult<QByteArray> rebuild(QByteArrayView file, const id3::FrameList& managed, bool albumGiven,
                                         bool keepPictures = false);

private:
    SerialExecutor m_executor;
};

} // namespace quirella
