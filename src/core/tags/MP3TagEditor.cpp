// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MP3TagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"

#include <QCoreApplication>

namespace quirella {

namespace {

// How far into the file the first audio frame may start behind leading zero bytes.
constexpr qint64 kAudioSearch = 64 * 1024;

QString id3v1Text(QByteArrayView field) {
    const qsizetype end = field.indexOf('\0');
    return QString::fromLatin1(end < 0 ? field : field.first(end)).trimmed();
}

TagStatus refusal(TagError error, const char* text) {
    return TagStatus::failure(error, QCoreApplication::translate("MP3TagEditor", text));
}

} // namespace

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
    if (!values.any()) {
        return TagStatus::success();
    }
    TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
    if (!file.ok()) {
        return file.status;
    }
    const qint64 size = file.value->size();
    // Even after dropping the largest possible old tag, such a file could not stay under the limit.
    if (size > kMaxFileSize + 10 + id3::kMaxTagBodySize) {
        return refusal(
            TagError::writeFailure,
            QT_TRANSLATE_NOOP("MP3TagEditor",
                              "The file is too large to be tagged (more than 499,999,999 bytes)."));
    }
    // Only the old tag and the start of the audio are read; the audio is copied into the new file by the
    // kernel.
    TagResult<QByteArray> head = file.value->read(0, 10);
    if (head.ok()) {
        head = file.value->read(0, id3::headBytesToRead(*head.value) + kAudioSearch);
    }
    if (!head.ok()) {
        return head.status;
    }
    std::optional<QByteArray> cover;
    if (values.coverImage && !values.coverImage->isEmpty()) {
        cover = prepareCover(QStringLiteral("mp3"), *values.coverImage);
    }
    const TagResult<RebuiltTag> rebuilt = rebuildTag(*head.value, size, values, cover);
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    return file.value->replaceHead(rebuilt.value->tag, rebuilt.value->restOffset);
}

TagResult<QByteArray> MP3TagEditor::rebuild(QByteArrayView file, const TagValues& values,
                                            const std::optional<QByteArray>& coverBytes) {
    TagResult<RebuiltTag> rebuilt = rebuildTag(file, file.size(), values, coverBytes);
    if (!rebuilt.ok()) {
        return TagResult<QByteArray>::failure(rebuilt.status);
    }
    QByteArray content = std::move(rebuilt.value->tag);
    content.append(file.sliced(rebuilt.value->restOffset));
    return TagResult<QByteArray>::success(std::move(content));
}

TagResult<MP3TagEditor::RebuiltTag> MP3TagEditor::rebuildTag(QByteArrayView head, qint64 fileSize,
                                                             const TagValues& values,
                                                             const std::optional<QByteArray>& coverBytes) {
    using Result = TagResult<RebuiltTag>;
    const id3::TagLocation old = id3::locateTag(head, fileSize);
    if (old.runsPastEnd) {
        return Result::failure(refusal(
            TagError::notValidFormat,
            QT_TRANSLATE_NOOP("MP3TagEditor", "The ID3 tag at the start of the file claims more bytes "
                                              "than the file holds; the file was left unchanged.")));
    }
    if (old.malformedSize) {
        return Result::failure(
            refusal(TagError::notValidFormat,
                    QT_TRANSLATE_NOOP("MP3TagEditor", "The ID3 tag at the start of the file "
                                                      "has a damaged size; the file was left "
                                                      "unchanged.")));
    }
    if (static_cast<qint64>(old.end) > head.size()) {
        return Result::failure(
            refusal(TagError::writeFailure,
                    QT_TRANSLATE_NOOP("MP3TagEditor",
                                      "The file changed while it was being read; it was left unchanged.")));
    }
    // A file of another kind named .mp3 (a picture, an archive) must not get a tag put in front of it.
    if (old.end == 0 && !startsWithAudio(ByteView(head))) {
        return Result::failure(refusal(
            TagError::notValidFormat,
            QT_TRANSLATE_NOOP("MP3TagEditor", "The file holds no MPEG audio where its audio should "
                                              "start; it is not an MP3 file and was left unchanged.")));
    }
    const std::optional<id3::Tag> oldTag =
        old.end == 0 ? std::nullopt : id3::parseTag(head.first(static_cast<qsizetype>(old.end)));
    TagResult<id3::FrameList> frames = id3::rewrittenFrames(oldTag, values, coverBytes);
    if (!frames.ok()) {
        return Result::failure(frames.status);
    }
    const qint64 tagBody = id3::serialisedSize(*frames.value) + id3::kMp3Fill;
    const qint64 audioSize = fileSize - static_cast<qint64>(old.end);
    if (tagBody > id3::kMaxTagBodySize || 10 + tagBody + audioSize > kMaxFileSize) {
        return Result::failure(refusal(
            TagError::writeFailure, QT_TRANSLATE_NOOP("MP3TagEditor", "The tagged file would be larger than "
                                                                      "499,999,999 bytes; the file was left "
                                                                      "unchanged.")));
    }
    return Result::success(
        RebuiltTag{id3::buildTag(*frames.value, id3::kMp3Fill), static_cast<qsizetype>(old.end)});
}

StoredTags MP3TagEditor::storedTags(QByteArrayView head, QByteArrayView tail) {
    StoredTags stored;
    const id3::TagLocation location = id3::locateTag(head);
    if (location.end > 0) {
        if (const std::optional<id3::Tag> tag = id3::parseTag(head.first(qsizetype(location.end)))) {
            const id3::Shown shown = id3::shownValues(*tag);
            stored = shown.values;
            if (stored.rating == 0) {
                stored.rating = shown.firstRating.value_or(0);
            }
        }
    }
    // A file with only an ID3v1 tag still has a title and an artist.
    if (tail.size() == kId3v1Size && tail.startsWith("TAG")) {
        if (stored.title.isEmpty()) {
            stored.title = id3v1Text(tail.sliced(3, 30));
        }
        if (stored.artist.isEmpty()) {
            stored.artist = id3v1Text(tail.sliced(33, 30));
        }
    }
    return stored;
}

bool MP3TagEditor::startsWithAudio(ByteView bytes) {
    std::uint64_t at = 0;
    while (at < bytes.size() && at < std::uint64_t(kAudioSearch) && bytes.data()[at] == 0) {
        ++at;
    }
    const std::optional<ByteView> header = bytes.slice(at, 4);
    if (!header) {
        return false;
    }
    const std::uint8_t* h = header->data();
    const int version = (h[1] >> 3) & 0x03; // 1 is reserved
    const int layer = (h[1] >> 1) & 0x03;   // 0 is reserved
    const int bitrate = h[2] >> 4;          // 15 is not allowed
    const int rate = (h[2] >> 2) & 0x03;    // 3 is reserved
    return h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && version != 1 && layer != 0 && bitrate != 15 && rate != 3;
}

} // namespace quirella
