// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Riff.h"

#include "model/Year.h"
#include "tags/TextDecoding.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>

namespace quirella::riff {

namespace {

constexpr std::uint64_t kHeaderSize = 12; // "RIFF", size, "WAVE"
constexpr std::uint64_t kChunkHeaderSize = 8;

// Text as ISO-8859-1 bytes, or empty when a character does not fit (no lossy '?' substitution).
QByteArray strictLatin1(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            return {};
        }
    }
    return text.toLatin1();
}

} // namespace

bool isChunkId(ByteView id) {
    if (id.size() != 4) {
        return false;
    }
    bool allZero = true;
    for (std::uint64_t i = 0; i < 4; ++i) {
        const std::uint8_t b = id.data()[i];
        if (b >= 0x80) {
            return false;
        }
        allZero = allZero && b == 0;
    }
    return !allZero;
}

bool isPrintableChunkId(ByteView id) {
    return id.size() == 4 &&
           std::all_of(id.data(), id.data() + 4, [](std::uint8_t b) { return b >= 0x20 && b <= 0x7E; });
}

QList<RIFFChunk> walkChunks(QByteArrayView bytes, ByteOrder order, bool* hitLimit) {
    const ByteView file(bytes);
    QList<RIFFChunk> chunks;
    if (hitLimit) {
        *hitLimit = false;
    }
    std::uint64_t position = kHeaderSize;
    while (file.has(position, kChunkHeaderSize)) {
        const ByteView id = *file.slice(position, 4);
        if (!isPrintableChunkId(id)) {
            break;
        }
        if (chunks.size() >= kMaxChunks) {
            if (hitLimit) {
                *hitLimit = true;
            }
            break;
        }
        const std::uint32_t size =
            order == ByteOrder::littleEndian ? *file.u32LE(position + 4) : *file.u32BE(position + 4);
        chunks.append({id.toByteArray(), size, static_cast<qint64>(position)});
        // 64-bit arithmetic: a position below 2^63 plus at most 2^32 + 9 cannot overflow.
        position += kChunkHeaderSize + size + (size & 1u);
    }
    return chunks;
}

QList<RIFFChunk> parseChunks(QByteArrayView bytes, bool* hitLimit) {
    return walkChunks(bytes, ByteOrder::littleEndian, hitLimit);
}

TagStatus checkWholeChunks(ByteView file, const QList<RIFFChunk>& chunks, QByteArrayView soundId,
                           const QString& format, TagError unfinishedError) {
    const auto unfinished = [&] {
        return TagStatus::failure(
            unfinishedError,
            QCoreApplication::translate("Riff", "The audio data chunk of the %1 file declares no length "
                                                "although bytes follow it; the recording was probably "
                                                "never finished. The file was left unchanged so that no "
                                                "audio is lost.")
                .arg(format));
    };
    std::uint64_t end = kHeaderSize;
    bool afterEmptySound = false;
    for (const RIFFChunk& chunk : chunks) {
        if (!payload(file, chunk)) {
            if (afterEmptySound) {
                return unfinished();
            }
            return TagStatus::failure(
                TagError::notValidFormat,
                QCoreApplication::translate(
                    "Riff", "A chunk of the %1 file runs past its end (the file is probably truncated); "
                            "it was left unchanged so that no audio is lost.")
                    .arg(format));
        }
        afterEmptySound = chunk.id == soundId && chunk.size == 0;
        end = static_cast<std::uint64_t>(chunk.offset) + kChunkHeaderSize + chunk.size + (chunk.size & 1u);
    }
    const ByteView tail = file.from(end);
    const bool zeroFill =
        std::all_of(tail.data(), tail.data() + tail.size(), [](std::uint8_t b) { return b == 0; });
    if (!file.has(end, kChunkHeaderSize) || (zeroFill && !afterEmptySound)) {
        return TagStatus::success();
    }
    if (afterEmptySound) {
        return unfinished();
    }
    return TagStatus::failure(
        TagError::notValidFormat,
        QCoreApplication::translate(
            "Riff", "The %1 file has bytes that belong to no chunk at byte %2 (a chunk name that is not "
                    "text); the file is damaged or an unfinished recording, and was left unchanged so "
                    "that no audio is lost.")
            .arg(format)
            .arg(end));
}

std::optional<ByteView> payload(ByteView file, const RIFFChunk& chunk) {
    if (chunk.offset < 0) {
        return std::nullopt;
    }
    const auto offset = static_cast<std::uint64_t>(chunk.offset);
    if (!file.has(offset, kChunkHeaderSize)) {
        return std::nullopt;
    }
    return file.slice(offset + kChunkHeaderSize, chunk.size);
}

void appendInfoField(QByteArrayView id, const QString& text, QByteArray& into) {
    QByteArray body = strictLatin1(text);
    body.append('\0');
    if (body.size() % 2 != 0) {
        body.append('\0');
    }
    into.append(id);
    appendU32LE(into, static_cast<std::uint32_t>(body.size()));
    into.append(body);
}

namespace {

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

// The sub-chunks of an INFO payload, each with its header and (when its length is odd) its pad byte.
template <typename Visit>
void forEachInfoField(ByteView listPayload, Visit&& visit) {
    if (!listPayload.matches(0, "INFO")) {
        return;
    }
    std::uint64_t position = 4;
    for (int count = 0; count < kMaxChunks && listPayload.has(position, kChunkHeaderSize); ++count) {
        const ByteView id = *listPayload.slice(position, 4);
        if (!isChunkId(id)) {
            break;
        }
        const std::uint32_t length = *listPayload.u32LE(position + 4);
        const std::optional<ByteView> body = listPayload.slice(position + kChunkHeaderSize, length);
        if (!body) {
            break;
        }
        const std::uint64_t whole = kChunkHeaderSize + length + (length & 1u);
        const ByteView stored = listPayload.slice(position, whole).value_or(listPayload.from(position));
        visit(id.toView(), *body, stored);
        position += whole;
    }
}

bool isReplacedInfoId(QByteArrayView id, const TagValues& values) {
    return (values.title && id == "INAM") || (values.artist && (id == "IART" || id == "ISTR")) ||
           (values.album && id == "IPRD") || (values.year && id == "ICRD") ||
           (values.genre && id == "IGNR") || (values.track && id == "ITRK");
}

} // namespace

StoredTags infoFields(ByteView listPayload) {
    StoredTags fields;
    forEachInfoField(listPayload, [&](QByteArrayView id, ByteView body, ByteView) {
        QByteArrayView bytes = body.toView();
        if (const qsizetype zero = bytes.indexOf('\0'); zero >= 0) {
            bytes = bytes.first(zero);
        }
        const QString text = stripControlCharacters(decodeUtf8OrLatin1(bytes));
        if (id == "INAM") {
            fields.title = text;
        } else if (id == "IART") {
            fields.artist = text;
        } else if (id == "IPRD") {
            fields.album = text;
        } else if (id == "IGNR") {
            fields.genre = text;
        } else if (id == "ICRD") {
            fields.year = yearOfDate(text).value_or(0);
        } else if (id == "ITRK") {
            fields.track = storedNumberPair(text);
        }
    });
    return fields;
}

bool changesInfo(const TagValues& values) {
    return values.title || values.artist || values.album || values.year || values.genre || values.track;
}

QByteArray rebuiltInfoList(ByteView oldPayload, const TagValues& values) {
    QByteArray list = QByteArrayLiteral("LIST");
    appendU32LE(list, 0);
    list.append("INFO");
    const auto add = [&](QByteArrayView id, const std::optional<QString>& text) {
        if (text && !text->isEmpty()) {
            appendInfoField(id, *text, list);
        }
    };
    add("INAM", values.title);
    add("IART", values.artist);
    add("ISTR", values.artist);
    add("IPRD", values.album);
    if (values.year && *values.year != 0) {
        add("ICRD", QString::number(*values.year));
    }
    add("IGNR", values.genre);
    if (values.track && values.track->number != 0) {
        add("ITRK", QString::number(values.track->number)); // readers of INFO take the number alone
    }
    forEachInfoField(oldPayload, [&](QByteArrayView id, ByteView body, ByteView stored) {
        if (!isReplacedInfoId(id, values)) {
            list.append(stored.toView());
            // A list that ended without the pad byte gets one, so the next sub-chunk starts even.
            if (stored.size() == kChunkHeaderSize + body.size() && (body.size() & 1u)) {
                list.append('\0');
            }
        }
    });
    if (list.size() == 12) {
        return {};
    }
    storeU32LE(list, 4, static_cast<std::uint32_t>(list.size() - 8));
    return list;
}

} // namespace quirella::riff
