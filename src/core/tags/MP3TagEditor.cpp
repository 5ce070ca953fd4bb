// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MP3TagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"

#include <QCoreApplication>

namespace quirella {

QFuture<TagStatus> MP3TagEditor::writeTags(const QString& path, TagValues values,
                                           std::shared_ptr<WriteCancellation> cancellation) {
    // Calls queue on this writer's own thread; one given up on while it waits never starts. Once it
    // runs, it replaces the file in one step, so there is nothing to stop half-way.
    return m_executor.run([path, values = std::move(values), cancellation = std::move(cancellation)] {
        if (cancellation && !cancellation->beginReplacement()) {
            return cancelledWrite(path);
        }
        return writeTagsNow(path, values);
    });
}

TagStatus MP3TagEditor::writeTagsNow(const QString& path, const TagValues& values) {
    TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
    if (!file.ok()) {
        return file.status;
    }
    const qint64 size = file.value->size();
    // Even after dropping the largest possible old tag, such a file could not stay under the limit.
    if (size > kMaxFileSize + 10 + id3::kMaxTagBodySize) {
        return TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("MP3TagEditor",
                                        "The file is too large to be tagged (more than 499,999,999 bytes)."));
    }
    // Only the old tag is read; the audio behind it is copied into the new file by the kernel.
    TagResult<QByteArray> head = file.value->read(0, 10);
    if (head.ok()) {
        head = file.value->read(0, id3::headBytesToRead(*head.value));
    }
    if (!head.ok()) {
        return head.status;
    }
    TagValues mp3Values = values;
    mp3Values.album.reset(); // MP3 files get no album from us; an old one stays
    std::optional<QByteArray> cover;
    if (mp3Values.coverImage) {
        cover = prepareCover(QStringLiteral("mp3"), *mp3Values.coverImage);
    }
    const TagResult<RebuiltTag> rebuilt =
        rebuildTag(*head.value, size, id3::managedFrames(mp3Values, cover), mp3Values.keepPictures);
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    return file.value->replaceHead(rebuilt.value->tag, rebuilt.value->restOffset);
}

TagResult<QByteArray> MP3TagEditor::rebuild(QByteArrayView file, const id3::FrameList& managed,
                                            bool keepPictures) {
    TagResult<RebuiltTag> rebuilt = rebuildTag(file, file.size(), managed, keepPictures);
    if (!rebuilt.ok()) {
        return TagResult<QByteArray>::failure(rebuilt.status);
    }
    QByteArray content = std::move(rebuilt.value->tag);
    content.append(file.sliced(rebuilt.value->restOffset));
    return TagResult<QByteArray>::success(std::move(content));
}

TagResult<MP3TagEditor::RebuiltTag> MP3TagEditor::rebuildTag(QByteArrayView head, qint64 fileSize,
                                                             const id3::FrameList& managed,
                                                             bool keepPictures) {
    using Result = TagResult<RebuiltTag>;
    const id3::TagLocation old = id3::locateTag(head, fileSize);
    if (old.runsPastEnd) {
        return Result::failure(TagStatus::failure(
            TagError::notValidFormat,
            QCoreApplication::translate("MP3TagEditor",
                                        "The ID3 tag at the start of the file claims more bytes than the "
                                        "file holds; the file was left unchanged.")));
    }
    if (old.malformedSize) {
        return Result::failure(TagStatus::failure(
            TagError::notValidFormat,
            QCoreApplication::translate(
                "MP3TagEditor",
                "The ID3 tag at the start of the file has a damaged size; the file was left unchanged.")));
    }
    if (static_cast<qint64>(old.end) > head.size()) {
        return Result::failure(TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("MP3TagEditor",
                                        "The file changed while it was being read; it was left unchanged.")));
    }
    id3::FrameList frames = managed;
    frames.append(id3::keptFrames(head.first(static_cast<qsizetype>(old.end)), false, keepPictures));
    const qint64 tagBody = id3::serialisedSize(frames) + id3::kMp3Fill;
    const qint64 audioSize = fileSize - static_cast<qint64>(old.end);
    if (tagBody > id3::kMaxTagBodySize || 10 + tagBody + audioSize > kMaxFileSize) {
        return Result::failure(TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate(
                "MP3TagEditor",
                "The tagged file would be larger than 499,999,999 bytes; the file was left unchanged.")));
    }
    return Result::success(RebuiltTag{id3::buildTag(frames, id3::kMp3Fill), static_cast<qsizetype>(old.end)});
}

} // namespace quirella
