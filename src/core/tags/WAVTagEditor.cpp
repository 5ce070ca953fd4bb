// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/WAVTagEditor.h"

#include "covers/ImageProcessor.h"
#include "model/CoverStore.h"
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

bool isAscii(ByteView bytes) {
    return std::all_of(bytes.data(), bytes.data() + bytes.size(), [](std::uint8_t b) { return b < 0x80; });
}

bool isInfoList(const RIFFChunk& chunk, ByteView body) {
    return chunk.id == "LIST" && body.matches(0, "INFO");
}

bool isId3Chunk(const RIFFChunk& chunk) {
    return chunk.id == "ID3 " || chunk.id == "id3 ";
}

// Filler that only reserves room; a rebuilt file needs none of it.
bool isFiller(const RIFFChunk& chunk) {
    return chunk.id == "JUNK" || chunk.id == "PAD ";
}

// Control characters include the terminating zeros of INFO texts; format characters such as a soft
// hyphen at either end are no more wanted.
QString stripControlCharacters(const QString& text) {
    const auto isControl = [](QChar c) {
        return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format;
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isControl(text.at(begin))) {
        ++begin;
    }
    while (end > begin && isControl(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString infoKey(QByteArrayView id) {
    if (id == "INAM") {
        return QStringLiteral("title");
    }
    if (id == "IART") {
        return QStringLiteral("artist");
    }
    if (id == "IPRD") {
        return QStringLiteral("album");
    }
    if (id == "ICRD") {
        return QStringLiteral("year");
    }
    if (id == "IGNR") {
        return QStringLiteral("genre");
    }
    return {};
}

void readInfoList(ByteView list, WavTags& tags) {
    if (!list.matches(0, "INFO")) {
        return;
    }
    std::uint64_t position = 4;
    for (int count = 0; count < riff::kMaxChunks && list.has(position, 8); ++count) {
        const ByteView id = *list.slice(position, 4);
        if (!isAscii(id)) {
            break;
        }
        const std::uint32_t length = *list.u32LE(position + 4);
        if (const std::optional<ByteView> body = list.slice(position + 8, length)) {
            // A later sub-chunk with the same id wins.
            if (const QString key = infoKey(id.toView()); !key.isEmpty()) {
                tags.fields.insert(key, stripControlCharacters(QString::fromLatin1(body->toView())));
            }
        }
        position += 8 + std::uint64_t{length} + (length & 1u);
    }
}

void readFrame(QByteArrayView id, ByteView content, WavTags& tags) {
    if (id == "POPM") {
        // A later POPM frame replaces the rating of an earlier one.
        if (const std::optional<int> stars = rating::starsFromPopmBody(content)) {
            tags.fields.insert(QStringLiteral("rating"), QString::number(*stars));
        }
    } else if (id == "APIC") {
        // The first front cover, else the first picture of type "other": the pictures the writers
        // manage, so that a removed cover stays removed (see id3::isShownPictureType).
        const std::optional<std::uint64_t> mimeEnd = content.find(0x00, 1);
        const std::optional<std::uint8_t> type = mimeEnd ? content.u8(*mimeEnd + 1) : std::nullopt;
        if (!id3::isShownPictureType(type) || (tags.picture && (tags.pictureIsFront || type != 0x03))) {
            return;
        }
        if (std::optional<QByteArray> picture = extractPicture(content)) {
            tags.picture = std::move(picture);
            tags.pictureIsFront = type == 0x03;
        }
    }
}

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

std::optional<QByteArray> extractPicture(ByteView body) {
    if (body.size() < 5) {
        return std::nullopt;
    }
    const std::uint8_t encoding = *body.u8(0);
    const std::optional<std::uint64_t> mimeEnd = body.find(0x00, 1);
    if (!mimeEnd || !body.has(*mimeEnd + 1, 1)) {
        return std::nullopt;
    }
    const std::uint64_t descriptionStart = *mimeEnd + 2; // after the picture type byte
    std::optional<std::uint64_t> imageStart;
    if (encoding == 1 || encoding == 2) {
        // UTF-16 descriptions hold zero bytes of their own and end with a zero code unit.
        for (std::uint64_t i = descriptionStart; body.has(i, 2); i += 2) {
            if (body.data()[i] == 0 && body.data()[i + 1] == 0) {
                imageStart = i + 2;
                break;
            }
        }
    } else if (const std::optional<std::uint64_t> zero = body.find(0x00, descriptionStart)) {
        imageStart = *zero + 1;
    }
    if (!imageStart || *imageStart >= body.size()) {
        return std::nullopt;
    }
    return body.from(*imageStart).toByteArray();
}

TagResult<WavTags> readTags(QByteArrayView bytes) {
    if (TagStatus status = checkWaveHeader(bytes); !status.ok()) {
        return TagResult<WavTags>::failure(std::move(status));
    }
    const ByteView file(bytes);
    const QList<RIFFChunk> chunks = riff::parseChunks(bytes);
    WavTags tags;
    // Only the first "LIST" chunk counts, whatever its type, and only the first ID3 chunk.
    const auto list =
        std::find_if(chunks.cbegin(), chunks.cend(), [](const RIFFChunk& c) { return c.id == "LIST"; });
    if (list != chunks.cend()) {
        if (const std::optional<ByteView> body = riff::payload(file, *list)) {
            readInfoList(*body, tags);
        }
    }
    const auto id3 = std::find_if(chunks.cbegin(), chunks.cend(), isId3Chunk);
    if (id3 != chunks.cend()) {
        if (const std::optional<ByteView> body = riff::payload(file, *id3)) {
            id3::forEachFrame(body->toView(), [&](QByteArrayView id, ByteView content) {
                readFrame(id, content, tags);
                return true;
            });
        }
    }
    return TagResult<WavTags>::success(std::move(tags));
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

    // What the old tags hold that the writer does not manage.
    const bool albumGiven = values.album.has_value();
    QByteArray keptInfo;
    std::optional<ByteView> oldTag;
    for (const RIFFChunk& chunk : chunks) {
        const std::optional<ByteView> body = riff::payload(file, chunk);
        if (!body) {
            continue;
        }
        if (isInfoList(chunk, *body)) {
            keptInfo.append(riff::unmanagedInfoSubChunks(*body, albumGiven));
        } else if (isId3Chunk(chunk) && !oldTag) {
            oldTag = body;
        }
    }
    id3::FrameList frames = id3::managedFrames(values, coverBytes);
    if (oldTag) {
        frames.append(id3::keptFrames(oldTag->toView(), albumGiven, values.keepPictures));
    }

    QByteArray out;
    out.reserve(bytes.size() + keptInfo.size() + (coverBytes ? coverBytes->size() : 0) + 4096);
    out.append("RIFF");
    appendU32LE(out, 0);
    out.append("WAVE");
    for (auto chunk = chunks.cbegin(); chunk != chunks.cend(); ++chunk) {
        // A chunk cut off by the end of the file cannot be copied whole; "fmt " and "data" were checked
        // above, anything else that is incomplete is left behind.
        const std::optional<ByteView> body = riff::payload(file, *chunk);
        if (!body || isInfoList(*chunk, *body) || isId3Chunk(*chunk) || isFiller(*chunk)) {
            continue;
        }
        out.append(file.slice(static_cast<std::uint64_t>(chunk->offset), 8)->toView());
        out.append(body->toView());
        if (chunk->size % 2 != 0) {
            out.append('\0');
        }
        // The new INFO list goes directly after "fmt ", so it is the first "LIST" chunk readers meet.
        if (chunk == format && (riff::hasInfoValues(values) || !keptInfo.isEmpty())) {
            out.append(riff::buildInfoList(values, keptInfo));
        }
    }
    if (!frames.isEmpty()) {
        const QByteArray tag = id3::buildTag(frames, 0);
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

QFuture<TagResult<WavMetadata>> WAVTagEditor::readMetadata(const QString& path) {
    return m_executor.run([path] { return readMetadataNow(path); });
}

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

TagResult<WavMetadata> WAVTagEditor::readMetadataNow(const QString& path) {
    TagResult<QByteArray> bytes = atomicfile::readWholeFile(path);
    if (!bytes.ok()) {
        return TagResult<WavMetadata>::failure(std::move(bytes.status));
    }
    TagResult<wav::WavTags> tags = wav::readTags(*bytes.value);
    if (!tags.ok()) {
        return TagResult<WavMetadata>::failure(std::move(tags.status));
    }
    WavMetadata metadata = std::move(tags.value->fields);
    if (tags.value->picture) {
        if (const std::optional<QString> coverPath =
                saveCoverToTemp(*tags.value->picture, QStringLiteral("WAV_Cover"))) {
            metadata.insert(QStringLiteral("cover_path"), *coverPath);
        }
    }
    return TagResult<WavMetadata>::success(std::move(metadata));
}

TagStatus WAVTagEditor::writeTagsNow(const QString& path, const TagValues& values) {
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
    if (values.coverImage) {
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
