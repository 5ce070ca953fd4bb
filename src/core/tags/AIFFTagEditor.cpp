// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AIFFTagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"
#include "tags/ByteView.h"
#include "tags/Riff.h"

#include <QCoreApplication>
#include <QSet>

namespace quirella {

namespace {

// The FORM size is 32 bits wide, so the whole file must stay below 4 GiB.
constexpr qint64 kMaxFileSize = 0xFFFFFFFFLL;

TagResult<QByteArray> refuse(TagError error, const QString& message) {
    return TagResult<QByteArray>::failure(TagStatus::failure(error, message));
}

QByteArray frameKey(const id3::ID3Frame& frame) {
    QByteArray key = frame.id;
    key.append(static_cast<char>(frame.flags >> 8));
    key.append(static_cast<char>(frame.flags & 0xFF));
    key.append(frame.data);
    return key;
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
    if (values.coverImage) {
        cover = prepareCover(QStringLiteral("aiff"), *values.coverImage);
    }
    const bool albumGiven = values.album.has_value();
    TagResult<QByteArray> rebuilt =
        rebuild(*old.value, id3::managedFrames(values, cover), albumGiven, values.keepPictures);
    old.value.reset();
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    return file.value->replaceContents(*rebuilt.value);
}

TagResult<QByteArray> AIFFTagEditor::rebuild(QByteArrayView fileBytes, const id3::FrameList& managed,
                                             bool albumGiven, bool keepPictures) {
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
    out.reserve(fileBytes.size() + id3::serialisedSize(managed) + 32);
    out.append(fileBytes.first(12));
    id3::FrameList kept;
    QSet<QByteArray> keptKeys; // built once a second ID3 chunk shows up, to leave out repeated frames
    int id3Chunks = 0;
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
    for (const riff::RIFFChunk& chunk : chunks) {
        const auto p = static_cast<std::uint64_t>(chunk.offset);
        const std::uint32_t size = chunk.size;
        const std::uint64_t end = p + 8 + size;
        // An odd-sized chunk is followed by a pad byte, carried over whatever its value.
        const std::uint64_t next = end + ((size & 1) && file.has(end, 1) ? 1 : 0);
        // Both spellings are ID3 chunks to readers such as TagLib, which take the first one they meet:
        // an old "id3 " left in front of the new chunk would hide the new values.
        if (file.matches(p, "ID3 ") || file.matches(p, "id3 ")) {
            const id3::FrameList frames =
                id3::keptFrames(file.slice(p + 8, size)->toView(), albumGiven, keepPictures);
            if (id3Chunks++ == 0) {
                kept = frames;
            } else {
                if (keptKeys.isEmpty()) {
                    for (const id3::ID3Frame& frame : std::as_const(kept)) {
                        keptKeys.insert(frameKey(frame));
                    }
                }
                for (const id3::ID3Frame& frame : frames) {
                    if (!keptKeys.contains(frameKey(frame))) {
                        keptKeys.insert(frameKey(frame));
                        kept.append(frame);
                    }
                }
            }
        } else {
            out.append(file.slice(p, next - p)->toView());
            // The file ended without the pad byte; supply it, or the new chunk would sit at an odd
            // offset where readers do not look for it.
            if (next == end && (size & 1)) {
                out.append('\0');
            }
        }
    }

    id3::FrameList frames = managed;
    frames.append(kept);
    const qint64 tagSize = 10 + id3::serialisedSize(frames);
    if (tagSize - 10 > id3::kMaxTagBodySize || out.size() + 8 + tagSize + (tagSize & 1) > kMaxFileSize) {
        return refuse(TagError::writeFailure,
                      QCoreApplication::translate(
                          "AIFFTagEditor",
                          "The tagged file would reach 4 GiB, more than AIFF allows; it was left "
                          "unchanged."));
    }
    const QByteArray tag = id3::buildTag(frames, 0);
    out.append("ID3 ", 4);
    appendU32BE(out, static_cast<std::uint32_t>(tag.size()));
    out.append(tag);
    if (tag.size() & 1) {
        out.append('\0');
    }
    storeU32BE(out, 4, static_cast<std::uint32_t>(out.size() - 8));
    return TagResult<QByteArray>::success(std::move(out));
}

} // namespace quirella
