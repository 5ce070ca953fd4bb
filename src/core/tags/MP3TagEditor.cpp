#include "tags/MP3TagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"

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
    if (TagStatus writable = atomicfile::checkWritable(path); !writable.ok()) {
        return writable;
    }
    // Even after dropping the largest possible old tag, such a file could not stay under the limit.
    if (atomicfile::fileSize(path) > kMaxFileSize + 10 + id3::kMaxTagBodySize) {
        return TagStatus::failure(
            TagError::writeFailure,
            QStringLiteral("The file is too large to be tagged (more than 499,999,999 bytes)."));
    }
    TagResult<QByteArray> old = atomicfile::readWholeFile(path);
    if (!old.ok()) {
        return old.status;
    }
    TagValues mp3Values = values;
    mp3Values.album.reset(); // MP3 files get no album from us; an old one stays
    std::optional<QByteArray> cover;
    if (mp3Values.coverImage) {
        cover = prepareCover(QStringLiteral("mp3"), *mp3Values.coverImage);
    }
    TagResult<QByteArray> rebuilt =
        rebuild(*old.value, id3::managedFrames(mp3Values, cover), mp3Values.keepPictures);
    old.value.reset();
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    return atomicfile::replaceContents(path, *rebuilt.value);
}

TagResult<QByteArray> MP3TagEditor::rebuild(QByteArrayView file, const id3::FrameList& managed,
                                            bool keepPictures) {
    const id3::TagLocation old = id3::locateTag(file);
    if (old.runsPastEnd) {
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::notValidFormat,
            QStringLiteral("The ID3 tag at the start of the file claims more bytes than the "
                           "file holds; the file was left unchanged.")));
    }
    if (old.malformedSize) {
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::notValidFormat,
            QStringLiteral(
                "The ID3 tag at the start of the file has a damaged size; the file was left unchanged.")));
    }
    id3::FrameList frames = managed;
    frames.append(id3::keptFrames(file.first(static_cast<qsizetype>(old.end)), false, keepPictures));
    const qint64 tagBody = id3::serialisedSize(frames) + id3::kMp3Fill;
    const qint64 audioSize = file.size() - static_cast<qint64>(old.end);
    if (tagBody > id3::kMaxTagBodySize || 10 + tagBody + audioSize > kMaxFileSize) {
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::writeFailure,
            QStringLiteral(
                "The tagged file would be larger than 499,999,999 bytes; the file was left unchanged.")));
    }
    QByteArray content;
    content.reserve(10 + tagBody + audioSize);
    content.append(id3::buildTag(frames, id3::kMp3Fill));
    content.append(file.sliced(static_cast<qsizetype>(old.end)));
    return TagResult<QByteArray>::success(std::move(content));
}

} // namespace quirella
