// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TagReader.h"

#include "tags/AIFFTagEditor.h"
#include "tags/AtomicFile.h"
#include "tags/AudioLength.h"
#include "tags/FLACTagEditor.h"
#include "tags/Id3.h"
#include "tags/M4ATagEditor.h"
#include "tags/MP3TagEditor.h"
#include "tags/OggTagEditor.h"
#include "tags/Riff.h"
#include "tags/WAVTagEditor.h"

#include <QCoreApplication>

#include <functional>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

// No tag block of a real file comes near this; a larger one is a damaged size field.
constexpr qint64 kMaxTagRead = 64 * 1024 * 1024;

using Result = TagResult<StoredTags>;

Result unreadable() {
    return Result::failure(TagStatus::failure(
        TagError::notValidFormat,
        QCoreApplication::translate("TagReader",
                                    "The file's tags cannot be read; it is damaged or not the kind "
                                    "of file its name says.")));
}

// Reads `length` bytes at `offset` of the file, or of the bytes in memory; a read error fails the whole
// read.
struct Reader {
    const atomicfile::ReadableFile* file = nullptr;
    QByteArrayView memory;
    TagStatus error = TagStatus::success();

    QByteArray read(qint64 offset, qint64 length) {
        if (!error.ok() || length <= 0) {
            return {};
        }
        if (!file) {
            return offset < memory.size()
                       ? memory.sliced(offset, std::min(length, memory.size() - offset)).toByteArray()
                       : QByteArray();
        }
        TagResult<QByteArray> bytes = file->read(offset, std::min(length, kMaxTagRead));
        if (!bytes.ok()) {
            error = bytes.status;
            return {};
        }
        return std::move(*bytes.value);
    }
};

// How much of the audio's start and end the length is looked for in; a file whose frames are not found
// there is measured by TagLib.
constexpr qint64 kAudioProbe = 16 * 1024;

Result readMp3(Reader& reader, qint64 size, std::optional<double>* duration) {
    const QByteArray first = reader.read(0, 10);
    const QByteArray head = reader.read(0, id3::headBytesToRead(first));
    // An ID3v1 tag follows everything else: "TAG" inside the ID3v2 tag of a short file is not one.
    const qint64 tagEnd = qint64(id3::locateTag(head).end);
    const QByteArray tail = size - MP3TagEditor::kId3v1Size >= tagEnd
                                ? reader.read(size - MP3TagEditor::kId3v1Size, MP3TagEditor::kId3v1Size)
                                : QByteArray();
    if (!reader.error.ok()) {
        return Result::failure(reader.error);
    }
    if (duration) {
        // The audio starts after a leading ID3v2 tag; without one it must start at once (TagLib looks
        // further for a tag elsewhere).
        const id3::TagLocation tag = id3::locateTag(head, size);
        if (!tag.runsPastEnd && !tag.malformedSize) {
            const auto audio = qint64(tag.end);
            const QByteArray start = reader.read(audio, kAudioProbe);
            const qint64 tailOffset = std::max(audio, size - kAudioProbe);
            const QByteArray end = reader.read(tailOffset, size - tailOffset);
            if (reader.error.ok() && (tag.end > 0 || audiolength::mpegHeader(ByteView(start), 0, true))) {
                *duration = audiolength::mpegSeconds(ByteView(start), audio, ByteView(end), tailOffset, size,
                                                     tail.startsWith("TAG"));
            }
            reader.error = TagStatus::success(); // the tags were read whole; only the length is missing
        }
    }
    return Result::success(MP3TagEditor::storedTags(head, tail));
}

// The chunk walk of WAV and AIFF files, by their headers only, as riff::walkChunks walks them in memory:
// the payload of the first chunk `wanted` accepts, for each of two wants.
struct ChunkWant {
    std::function<bool(const QByteArray& header, const QByteArray& start)> accepts;
    std::optional<QByteArray> payload;
    // Only the size (with the pad byte) is wanted, not the bytes.
    bool sizeOnly = false;
    qint64 size = 0;
};

void walkChunkHeaders(Reader& reader, qint64 size, riff::ByteOrder order, QList<ChunkWant*> wants) {
    qint64 position = 12;
    for (int count = 0; count < riff::kMaxChunks && size - position >= 8; ++count) {
        const QByteArray header = reader.read(position, 8);
        if (header.size() < 8 || !riff::isPrintableChunkId(ByteView(header).slice(0, 4).value())) {
            return;
        }
        const ByteView view(header);
        const std::uint32_t chunkSize =
            order == riff::ByteOrder::littleEndian ? *view.u32LE(4) : *view.u32BE(4);
        const QByteArray start = reader.read(position + 8, 4);
        for (ChunkWant* want : wants) {
            if (!want->payload && want->accepts(header, start) &&
                size - (position + 8) >= qint64{chunkSize}) {
                want->payload = want->sizeOnly ? QByteArray() : reader.read(position + 8, chunkSize);
                want->size = qint64{chunkSize} + (chunkSize & 1u);
            }
        }
        if (std::all_of(wants.begin(), wants.end(),
                        [](const ChunkWant* want) { return want->payload.has_value(); })) {
            return;
        }
        position += 8 + qint64{chunkSize} + (chunkSize & 1u);
    }
}

bool isId3ChunkHeader(const QByteArray& header, const QByteArray&) {
    return header.startsWith("ID3 ") || header.startsWith("id3 ");
}

ChunkWant chunkNamed(const char* id, bool sizeOnly = false) {
    return ChunkWant{
        [id](const QByteArray& header, const QByteArray&) { return header.startsWith(id); }, {}, sizeOnly, 0};
}

Result readWav(Reader& reader, qint64 size, std::optional<double>* duration) {
    if (TagStatus status = wav::checkWaveHeader(reader.read(0, 13)); !status.ok()) {
        return Result::failure(reader.error.ok() ? status : reader.error);
    }
    ChunkWant info{[](const QByteArray& header, const QByteArray& start) {
                       return header.startsWith("LIST") && start == "INFO";
                   },
                   {}};
    ChunkWant id3{isId3ChunkHeader, {}};
    ChunkWant format = chunkNamed("fmt ");
    ChunkWant data = chunkNamed("data", true);
    ChunkWant fact = chunkNamed("fact");
    QList<ChunkWant*> wants{&info, &id3};
    if (duration) {
        wants << &format << &data << &fact;
    }
    walkChunkHeaders(reader, size, riff::ByteOrder::littleEndian, wants);
    if (!reader.error.ok()) {
        return Result::failure(reader.error);
    }
    if (duration && format.payload && data.payload) {
        *duration = audiolength::wavSeconds(ByteView(*format.payload), data.size,
                                            fact.payload ? ByteView(*fact.payload).u32LE(0) : std::nullopt);
    }
    const auto view = [](const std::optional<QByteArray>& bytes) {
        return bytes ? std::optional<ByteView>(ByteView(*bytes)) : std::nullopt;
    };
    return Result::success(wav::storedTags(view(info.payload), view(id3.payload)));
}

Result readAiff(Reader& reader, qint64 size, std::optional<double>* duration) {
    const QByteArray header = reader.read(0, 12);
    if (!header.startsWith("FORM") || header.size() < 12) {
        return reader.error.ok() ? unreadable() : Result::failure(reader.error);
    }
    ChunkWant id3{isId3ChunkHeader, {}};
    ChunkWant common = chunkNamed("COMM");
    ChunkWant sound = chunkNamed("SSND", true);
    QList<ChunkWant*> wants{&id3};
    if (duration) {
        wants << &common << &sound;
    }
    walkChunkHeaders(reader, size, riff::ByteOrder::bigEndian, wants);
    if (!reader.error.ok()) {
        return Result::failure(reader.error);
    }
    if (duration && common.payload && sound.payload) {
        *duration = audiolength::aiffSeconds(ByteView(*common.payload), sound.size);
    }
    return Result::success(AIFFTagEditor::storedTags(
        id3.payload ? std::optional<ByteView>(ByteView(*id3.payload)) : std::nullopt));
}

Result readM4a(Reader& reader, qint64 size, std::optional<double>* duration) {
    qint64 position = 0;
    for (int count = 0; count < 100000 && position < size; ++count) {
        const QByteArray header = reader.read(position, 16);
        if (header.size() < 8) {
            break;
        }
        // The header alone is read: the box's size is checked against the file, not against these bytes.
        const ByteView view(header);
        const std::uint32_t declared = *view.u32BE(0);
        std::uint64_t boxSize = declared;
        std::uint64_t headerSize = 8;
        if (declared == 1) {
            if (header.size() < 16) {
                break;
            }
            boxSize = std::uint64_t{*view.u32BE(8)} << 32 | *view.u32BE(12);
            headerSize = 16;
        } else if (declared == 0) {
            boxSize = std::uint64_t(size - position); // runs to the end of the file
        }
        if (boxSize < headerSize || boxSize > std::uint64_t(size - position)) {
            break;
        }
        if (header.mid(4, 4) == "moov") {
            if (boxSize > std::uint64_t(kMaxTagRead)) {
                return unreadable();
            }
            const QByteArray moov = reader.read(position, qint64(boxSize));
            if (!reader.error.ok()) {
                return Result::failure(reader.error);
            }
            if (duration) {
                *duration = audiolength::mp4Seconds(ByteView(moov).from(headerSize));
            }
            return Result::success(M4ATagEditor::storedTags(ByteView(moov)));
        }
        position += qint64(boxSize);
    }
    return reader.error.ok() ? Result::success(StoredTags()) : Result::failure(reader.error);
}

Result readFlac(Reader& reader, qint64 size, std::optional<double>* duration) {
    qint64 wanted = 64 * 1024;
    QByteArray head = reader.read(0, wanted);
    while (reader.error.ok()) {
        const qint64 needed = FLACTagEditor::moreBytesNeeded(ByteView(head));
        if (needed <= head.size() || head.size() < wanted || needed > kMaxTagRead) {
            break;
        }
        wanted = needed;
        head = reader.read(0, wanted);
    }
    if (!reader.error.ok()) {
        return Result::failure(reader.error);
    }
    const TagResult<FLACTagEditor::Metadata> metadata = FLACTagEditor::parseMetadata(ByteView(head), size);
    if (!metadata.ok()) {
        return Result::failure(metadata.status);
    }
    if (duration) {
        for (const FLACTagEditor::Block& block : metadata.value->blocks) {
            if (block.type == FLACTagEditor::streamInfo) {
                *duration = audiolength::flacSeconds(ByteView(block.body));
                break;
            }
        }
    }
    return Result::success(FLACTagEditor::storedTags(*metadata.value));
}

Result readOgg(Reader& reader, qint64 size, std::optional<double>* duration) {
    for (qint64 wanted = 64 * 1024;; wanted *= 4) {
        const QByteArray head = reader.read(0, std::min(wanted, size));
        if (!reader.error.ok()) {
            return Result::failure(reader.error);
        }
        bool needMore = false;
        Result read = OggTagEditor::storedTags(ByteView(head), &needMore);
        if (!needMore || head.size() >= size || wanted >= kMaxTagRead) {
            if (duration && read.ok()) {
                // A page is at most 65,307 bytes: the last page header lies in the last 64 KiB and some.
                const qint64 tailOffset = std::max<qint64>(0, size - 66 * 1024);
                // A small file was read whole already.
                const QByteArray tail =
                    head.size() >= size ? head : reader.read(tailOffset, size - tailOffset);
                if (reader.error.ok()) {
                    *duration = audiolength::oggSeconds(ByteView(head), ByteView(tail));
                }
                reader.error = TagStatus::success();
            }
            return read;
        }
    }
}

Result read(Reader& reader, qint64 size, const QString& extension, std::optional<double>* duration) {
    if (extension == "mp3"_L1) {
        return readMp3(reader, size, duration);
    }
    if (extension == "wav"_L1) {
        return readWav(reader, size, duration);
    }
    if (extension == "aiff"_L1 || extension == "aif"_L1) {
        return readAiff(reader, size, duration);
    }
    if (extension == "m4a"_L1) {
        return readM4a(reader, size, duration);
    }
    if (extension == "flac"_L1) {
        return readFlac(reader, size, duration);
    }
    if (extension == "ogg"_L1 || extension == "oga"_L1 || extension == "opus"_L1) {
        return readOgg(reader, size, duration);
    }
    return Result::success(StoredTags());
}

} // namespace

TagResult<StoredTags> readStoredTags(const QString& path, const QString& extension) {
    const TagResult<atomicfile::ReadableFile> file = atomicfile::ReadableFile::open(path);
    if (!file.ok()) {
        return Result::failure(file.status);
    }
    Reader reader{&*file.value, {}};
    return read(reader, file.value->size(), extension, nullptr);
}

FileReading readTagsAndLength(const QString& path, const QString& extension) {
    const TagResult<atomicfile::ReadableFile> file = atomicfile::ReadableFile::open(path);
    if (!file.ok()) {
        return {Result::failure(file.status), std::nullopt};
    }
    Reader reader{&*file.value, {}};
    std::optional<double> seconds;
    Result tags = read(reader, file.value->size(), extension, &seconds);
    if (!tags.ok()) {
        seconds.reset();
    }
    return {std::move(tags), seconds};
}

TagResult<StoredTags> storedTagsOf(QByteArrayView file, const QString& extension) {
    Reader reader{nullptr, file};
    return read(reader, file.size(), extension, nullptr);
}

} // namespace quirella
