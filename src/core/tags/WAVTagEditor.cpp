// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/WAVTagEditor.h"

#include "covers/ImageProcessor.h"
#include "tags/AtomicFile.h"
#include "tags/Id3.h"
#include "tags/Rating.h"
#include "tags/Riff.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace quirella {

namespace wav {

namespace {

using riff::RIFFChunk;

constexpr std::uint64_t kId3HeaderSize = 10;
// The largest size a syncsafe tag header can state.
constexpr qint64 kMaxId3TagBody = 0x0FFFFFFF;
constexpr qint64 kMaxRiffSize = 0xFFFFFFFF;
// Recorders that never finished a file leave the "data" size at this placeholder.
constexpr quint32 kUnknownDataSize = 0xFFFFFFFF;

TagStatus refuse(TagError error, const char* message) {
    return TagStatus::failure(error, QCoreApplication::translate("WAVTagEditor", message));
}

} // namespace

TagStatus checkWaveHeader(QByteArrayView bytes) {
    const ByteView file(bytes);
    if (file.size() < 13) {
        return refuse(TagError::notValidFormat,
                      QT_TRANSLATE_NOOP("WAVTagEditor", "The file is too short to be a WAV file."));
    }
    if (!file.matches(0, "RIFF") || !file.matches(8, "WAVE")) {
        return refuse(TagError::notValidFormat,
                      QT_TRANSLATE_NOOP("WAVTagEditor", "The file is not a RIFF/WAVE file."));
    }
    return TagStatus::success();
}

bool isInfoList(ByteView file, const RIFFChunk& chunk) {
    if (chunk.id != "LIST") {
        return false;
    }
    const std::optional<ByteView> body = riff::payload(file, chunk);
    return body && body->matches(0, "INFO");
}

bool isId3Chunk(const RIFFChunk& chunk) {
    return chunk.id == "ID3 " || chunk.id == "id3 ";
}

StoredTags storedTags(std::optional<ByteView> infoPayload, std::optional<ByteView> id3Payload) {
    const StoredTags info = infoPayload ? riff::infoFields(*infoPayload) : StoredTags();
    StoredTags stored;
    if (id3Payload) {
        if (const std::optional<id3::Tag> tag = id3::parseTag(id3Payload->toView())) {
            stored = id3::shownValues(*tag).values;
        }
    }
    const auto fallBack = [](QString& value, const QString& other) {
        if (value.isEmpty()) {
            value = other;
        }
    };
    fallBack(stored.title, info.title);
    fallBack(stored.artist, info.artist);
    fallBack(stored.album, info.album);
    if (stored.track.isEmpty()) {
        stored.track = info.track;
    }
    if (stored.year == 0) {
        stored.year = info.year;
    }
    if (!info.genre.isEmpty()) {
        stored.genre = info.genre;
    }
    return stored;
}

TagResult<StoredTags> readTags(QByteArrayView bytes) {
    if (TagStatus status = checkWaveHeader(bytes); !status.ok()) {
        return TagResult<StoredTags>::failure(std::move(status));
    }
    const ByteView file(bytes);
    const QList<RIFFChunk> chunks = riff::parseChunks(bytes);
    std::optional<ByteView> info;
    std::optional<ByteView> id3;
    for (const RIFFChunk& chunk : chunks) {
        if (!info && isInfoList(file, chunk)) {
            info = riff::payload(file, chunk);
        } else if (!id3 && isId3Chunk(chunk)) {
            id3 = riff::payload(file, chunk);
        }
    }
    return TagResult<StoredTags>::success(storedTags(info, id3));
}

TagResult<QByteArray> rebuildWAV(QByteArrayView bytes, const TagValues& values,
                                 const std::optional<QByteArray>& coverBytes) {
    using Result = TagResult<QByteArray>;
    if (TagStatus status = checkWaveHeader(bytes); !status.ok()) {
        return Result::failure(std::move(status));
    }
    const ByteView file(bytes);
    bool hitLimit = false;
    const QList<RIFFChunk> chunks = riff::parseChunks(bytes, &hitLimit);
    if (hitLimit) {
        // The chunks beyond the cap would be lost.
        return Result::failure(
            refuse(TagError::notValidFormat,
                   QT_TRANSLATE_NOOP("WAVTagEditor", "The WAV file has too many chunks.")));
    }

    const auto firstWithId = [&](const char* id) {
        return std::find_if(chunks.cbegin(), chunks.cend(), [id](const RIFFChunk& c) { return c.id == id; });
    };
    const auto format = firstWithId("fmt ");
    if (format == chunks.cend()) {
        return Result::failure(
            refuse(TagError::notValidFormat,
                   QT_TRANSLATE_NOOP("WAVTagEditor", "The WAV file has no format chunk.")));
    }
    if (!riff::payload(file, *format)) {
        return Result::failure(
            refuse(TagError::notValidFormat,
                   QT_TRANSLATE_NOOP("WAVTagEditor",
                                     "The format chunk of the WAV file runs past the end of the file.")));
    }
    const auto data = firstWithId("data");
    if (data == chunks.cend()) {
        return Result::failure(
            refuse(TagError::cannotReadFile,
                   QT_TRANSLATE_NOOP("WAVTagEditor", "The WAV file has no audio data chunk.")));
    }
    if (data->size == kUnknownDataSize) {
        return Result::failure(
            refuse(TagError::cannotReadFile,
                   QT_TRANSLATE_NOOP("WAVTagEditor",
                                     "The length of the audio data in the WAV file was never recorded; "
                                     "the file may be unfinished.")));
    }
    if (!riff::payload(file, *data)) {
        return Result::failure(
            refuse(TagError::cannotReadFile,
                   QT_TRANSLATE_NOOP("WAVTagEditor",
                                     "The audio data of the WAV file runs past the end of the file.")));
    }
    if (TagStatus status =
            riff::checkWholeChunks(file, chunks, "data", QStringLiteral("WAV"), TagError::cannotReadFile);
        !status.ok()) {
        return Result::failure(std::move(status));
    }

    // The tags loading reads: the first INFO list and the first ID3 chunk.
    const auto info = std::find_if(chunks.cbegin(), chunks.cend(),
                                   [&](const RIFFChunk& chunk) { return isInfoList(file, chunk); });
    const auto oldId3 = std::find_if(chunks.cbegin(), chunks.cend(), isId3Chunk);
    const bool rebuildInfo = riff::changesInfo(values);
    const QByteArray newInfo =
        rebuildInfo
            ? riff::rebuiltInfoList(info == chunks.cend() ? ByteView() : *riff::payload(file, *info), values)
            : QByteArray();
    std::optional<id3::Tag> oldTag;
    if (oldId3 != chunks.cend()) {
        oldTag = id3::parseTag(riff::payload(file, *oldId3)->toView());
    }
    TagResult<id3::FrameList> frames = id3::rewrittenFrames(oldTag, values, coverBytes);
    if (!frames.ok()) {
        return Result::failure(frames.status);
    }

    QByteArray out;
    out.reserve(bytes.size() + newInfo.size() + (coverBytes ? coverBytes->size() : 0) + 4096);
    out.append("RIFF");
    appendU32LE(out, 0);
    out.append("WAVE");
    QByteArray laterId3Chunks;
    // A chunk as it stands, with its pad byte (supplied when the file ends without it).
    const auto whole = [&](const RIFFChunk& chunk) {
        const auto offset = static_cast<std::uint64_t>(chunk.offset);
        const std::uint64_t size = 8 + std::uint64_t{chunk.size};
        QByteArray stored =
            file.slice(offset, size + (chunk.size & 1u)).value_or(*file.slice(offset, size)).toByteArray();
        if (std::uint64_t(stored.size()) < size + (chunk.size & 1u)) {
            stored.append('\0');
        }
        return stored;
    };
    for (auto chunk = chunks.cbegin(); chunk != chunks.cend(); ++chunk) {
        if (chunk == oldId3 || (rebuildInfo && chunk == info)) {
            continue;
        }
        if (isId3Chunk(*chunk)) {
            laterId3Chunks.append(whole(*chunk));
            continue;
        }
        out.append(whole(*chunk));
        // The new INFO list goes directly after "fmt ", so it is the first INFO list readers meet.
        if (chunk == format) {
            out.append(newInfo);
        }
    }
    if (!frames.value->isEmpty()) {
        const QByteArray tag = id3::buildTag(*frames.value, 0);
        if (tag.size() - static_cast<qsizetype>(kId3HeaderSize) > kMaxId3TagBody) {
            return Result::failure(
                refuse(TagError::writeFailure,
                       QT_TRANSLATE_NOOP("WAVTagEditor", "The ID3 tag would be too large for its header.")));
        }
        out.append("ID3 ");
        appendU32LE(out, static_cast<std::uint32_t>(tag.size()));
        out.append(tag);
        if (tag.size() % 2 != 0) {
            out.append('\0');
        }
    }
    out.append(laterId3Chunks);
    if (out.size() - 8 > kMaxRiffSize) {
        return Result::failure(
            refuse(TagError::writeFailure,
                   QT_TRANSLATE_NOOP("WAVTagEditor",
                                     "The tagged file would reach 4 GiB, more than a WAV file can hold.")));
    }
    storeU32LE(out, 4, static_cast<std::uint32_t>(out.size() - 8));
    return Result::success(std::move(out));
}

} // namespace wav

QFuture<TagStatus> WAVTagEditor::writeTags(const QString& path, TagValues values,
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

TagStatus WAVTagEditor::writeTagsNow(const QString& path, const TagValues& values) {
    if (!values.any()) {
        return TagStatus::success();
    }
    TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
    if (!file.ok()) {
        return file.status;
    }
    TagResult<QByteArray> bytes = file.value->readAll();
    if (!bytes.ok()) {
        return bytes.status;
    }
    // Checked before the cover is converted, which is the slow part.
    if (TagStatus status = wav::checkWaveHeader(*bytes.value); !status.ok()) {
        return status;
    }
    std::optional<QByteArray> cover;
    if (values.coverImage && !values.coverImage->isEmpty()) {
        cover = prepareCover(QStringLiteral("wav"), *values.coverImage);
    }
    TagResult<QByteArray> rebuilt = wav::rebuildWAV(*bytes.value, values, cover);
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    bytes = {};
    return file.value->replaceContents(*rebuilt.value);
}

} // namespace quirella
