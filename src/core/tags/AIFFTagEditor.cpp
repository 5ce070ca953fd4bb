// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AIFFTagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"
#include "tags/ByteView.h"
#include "tags/Riff.h"

#include <QCoreApplication>

#include <utility>

namespace quirella {

namespace {

// The FORM size is 32 bits wide, so the whole file must stay below 4 GiB.
constexpr qint64 kMaxFileSize = 0xFFFFFFFFLL;

TagResult<QByteArray> refuse(TagError error, const QString& message) {
    return TagResult<QByteArray>::failure(TagStatus::failure(error, message));
}

} // namespace

QFuture<TagStatus> AIFFTagEditor::writeTags(const QString& path, TagValues values,
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

TagStatus AIFFTagEditor::writeTagsNow(const QString& path, const TagValues& values) {
    if (!values.any()) {
        return TagStatus::success();
    }
    TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
    if (!file.ok()) {
        return file.status;
    }
    if (file.value->size() > kMaxFileSize + 8) {
        return TagStatus::failure(
            TagError::notValidFormat,
            QCoreApplication::translate("AIFFTagEditor",
                                        "The file is larger than an AIFF file can be (4 GiB)."));
    }
    TagResult<QByteArray> old = file.value->readAll();
    if (!old.ok()) {
        return old.status;
    }
    std::optional<QByteArray> cover;
    if (values.coverImage && !values.coverImage->isEmpty()) {
        cover = prepareCover(QStringLiteral("aiff"), *values.coverImage);
    }
    TagResult<QByteArray> rebuilt = rebuild(*old.value, values, cover);
    old.value.reset();
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    return file.value->replaceContents(*rebuilt.value);
}

TagResult<QByteArray> AIFFTagEditor::rebuild(QByteArrayView fileBytes, const TagValues& values,
                                             const std::optional<QByteArray>& coverBytes) {

    const ByteView file(fileBytes);
    if (file.size() <= 12 || !file.matches(0, "FORM")) {
        return refuse(TagError::notValidFormat,
                      QCoreApplication::translate("AIFFTagEditor", "The file is not an AIFF file."));
    }
    if (file.matches(8, "AIFC")) {
        return refuse(TagError::notValidFormat,
                      QCoreApplication::translate(
                          "AIFFTagEditor", "The file is a compressed AIFF-C file, which cannot be tagged."));
    }
    if (!file.matches(8, "AIFF")) {
        return refuse(TagError::notValidFormat,
                      QCoreApplication::translate("AIFFTagEditor", "The file is not an AIFF file."));
    }

    QByteArray out;
    out.reserve(fileBytes.size() + (coverBytes ? coverBytes->size() : 0) + 4096);
    out.append(fileBytes.first(12));
    bool hitLimit = false;
    const QList<riff::RIFFChunk> chunks = riff::walkChunks(fileBytes, riff::ByteOrder::bigEndian, &hitLimit);
    if (hitLimit) {
        return refuse(TagError::notValidFormat,
                      QCoreApplication::translate(
                          "AIFFTagEditor", "The file has more than 100,000 chunks; it was left unchanged."));
    }
    if (TagStatus status =
            riff::checkWholeChunks(file, chunks, "SSND", QStringLiteral("AIFF"), TagError::notValidFormat);
        !status.ok()) {
        return TagResult<QByteArray>::failure(std::move(status));
    }
    std::optional<id3::Tag> oldTag;
    bool firstId3 = true;
    QByteArray laterId3Chunks;
    for (const riff::RIFFChunk& chunk : chunks) {
        const auto p = static_cast<std::uint64_t>(chunk.offset);
        const std::uint32_t size = chunk.size;
        const std::uint64_t end = p + 8 + size;
        // An odd-sized chunk is followed by a pad byte, carried over whatever its value.
        const std::uint64_t next = end + ((size & 1) && file.has(end, 1) ? 1 : 0);
        QByteArray whole = file.slice(p, next - p)->toByteArray();
        // The file ended without the pad byte; supply it, or the new chunk would sit at an odd offset where
        // readers do not look for it.
        if (next == end && (size & 1)) {
            whole.append('\0');
        }
        // Readers such as TagLib take the first ID3 chunk they meet, in either spelling: the rebuilt one
        // goes in front of any other.
        if (isId3Chunk(*file.slice(p, 4))) {
            if (std::exchange(firstId3, false)) {
                oldTag = id3::parseTag(file.slice(p + 8, size)->toView());
            } else {
                laterId3Chunks.append(whole);
            }
            continue;
        }
        out.append(whole);
    }

    TagResult<id3::FrameList> rewritten = id3::rewrittenFrames(oldTag, values, coverBytes);
    if (!rewritten.ok()) {
        return TagResult<QByteArray>::failure(rewritten.status);
    }
    const id3::FrameList& frames = *rewritten.value;
    const qint64 tagSize = frames.isEmpty() ? 0 : 10 + id3::serialisedSize(frames);
    if (tagSize - 10 > id3::kMaxTagBodySize ||
        out.size() + 8 + tagSize + (tagSize & 1) + laterId3Chunks.size() > kMaxFileSize) {
        return refuse(TagError::writeFailure,
                      QCoreApplication::translate(
                          "AIFFTagEditor",
                          "The tagged file would reach 4 GiB, more than AIFF allows; it was left "
                          "unchanged."));
    }
    if (!frames.isEmpty()) {
        const QByteArray tag = id3::buildTag(frames, 0);
        out.append("ID3 ", 4);
        appendU32BE(out, static_cast<std::uint32_t>(tag.size()));
        out.append(tag);
        if (tag.size() & 1) {
            out.append('\0');
        }
    }
    out.append(laterId3Chunks);
    storeU32BE(out, 4, static_cast<std::uint32_t>(out.size() - 8));
    return TagResult<QByteArray>::success(std::move(out));
}

bool AIFFTagEditor::isId3Chunk(ByteView id) {
    return id.matches(0, "ID3 ") || id.matches(0, "id3 ");
}

StoredTags AIFFTagEditor::storedTags(std::optional<ByteView> id3Payload) {
    if (!id3Payload) {
        return {};
    }
    const std::optional<id3::Tag> tag = id3::parseTag(id3Payload->toView());
    return tag ? id3::shownValues(*tag).values : StoredTags();
}

} // namespace quirella
