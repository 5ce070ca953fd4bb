// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/FLACTagEditor.h"

#include "tags/AtomicFile.h"
#include "tags/Id3.h"
#include "tags/VorbisComment.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace quirella {

namespace {

constexpr std::uint32_t kMaxBlockLength = 0xFFFFFF;
// More blocks than this are a damaged file, not metadata.
constexpr int kMaxBlocks = 4096;
// The end of the file searched for the last frame: at least this much, and never more than the largest
// frame the format allows.
constexpr qint64 kDefaultFrameWindow = 256 * 1024;
constexpr qint64 kMaxFrameWindow = 16 << 20;

TagStatus refused(const QString& reason) {
    return TagStatus::failure(TagError::notValidFormat,
                              reason + QStringLiteral(" The file was left unchanged."));
}

std::uint32_t u24(ByteView view, std::uint64_t offset) {
    return std::uint32_t{*view.u8(offset)} << 16 | std::uint32_t{*view.u8(offset + 1)} << 8 |
           *view.u8(offset + 2);
}

// Where the marker stands: after an ID3v2 tag some programs put in front, else at 0.
std::uint64_t markerOffset(ByteView bytes) {
    if (!bytes.matches(0, "ID3") || !bytes.has(0, 10)) {
        return 0;
    }
    std::uint64_t size = id3::decodeSyncsafe(bytes.slice(6, 4)->toView());
    // A 2.4 footer repeats the header after the tag.
    if (*bytes.u8(3) == 4 && (*bytes.u8(5) & 0x10)) {
        size += 10;
    }
    return 10 + size;
}

bool isFrameSync(ByteView bytes, std::uint64_t offset) {
    return bytes.u8(offset) == 0xFF && (*bytes.u8(offset + 1) & 0xFE) == 0xF8;
}

std::uint8_t crc8(const std::uint8_t* data, std::uint64_t size) {
    std::uint8_t crc = 0;
    for (std::uint64_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint8_t>(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
        }
    }
    return crc;
}

std::uint16_t crc16(const std::uint8_t* data, std::uint64_t size) {
    static const auto table = [] {
        std::array<std::uint16_t, 256> entries{};
        for (int i = 0; i < 256; ++i) {
            std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
            for (int bit = 0; bit < 8; ++bit) {
                crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x8005 : crc << 1);
            }
            entries[i] = crc;
        }
        return entries;
    }();
    std::uint16_t crc = 0;
    for (std::uint64_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFF]);
    }
    return crc;
}

// The length of a frame header at `offset` whose checksum holds, or nothing.
std::optional<std::uint64_t> frameHeaderLength(ByteView bytes, std::uint64_t offset) {
    if (!isFrameSync(bytes, offset) || !bytes.has(offset, 5)) {
        return std::nullopt;
    }
    const std::uint8_t sizes = *bytes.u8(offset + 2);
    const std::uint8_t format = *bytes.u8(offset + 3);
    const int blockSizeCode = sizes >> 4;
    const int rateCode = sizes & 0x0F;
    if (blockSizeCode == 0 || rateCode == 15 || (format >> 4) > 10 || (format & 1)) {
        return std::nullopt;
    }
    // The frame or sample number, coded like UTF-8 in one to seven bytes.
    const std::uint8_t lead = *bytes.u8(offset + 4);
    int extra = 0;
    if (lead >= 0xFE) {
        extra = lead == 0xFE ? 6 : -1;
    } else if (lead >= 0xFC) {
        extra = 5;
    } else if (lead >= 0xF8) {
        extra = 4;
    } else if (lead >= 0xF0) {
        extra = 3;
    } else if (lead >= 0xE0) {
        extra = 2;
    } else if (lead >= 0xC0) {
        extra = 1;
    } else if (lead >= 0x80) {
        extra = -1;
    }
    if (extra < 0) {
        return std::nullopt;
    }
    std::uint64_t length = 5 + static_cast<std::uint64_t>(extra);
    length += blockSizeCode == 6 ? 1 : blockSizeCode == 7 ? 2 : 0;
    length += rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
    const std::optional<ByteView> header = bytes.slice(offset, length + 1);
    if (!header || crc8(header->data(), length) != *header->u8(length)) {
        return std::nullopt;
    }
    return length + 1;
}

} // namespace

qint64 FLACTagEditor::moreBytesNeeded(ByteView bytes) {
    const std::uint64_t marker = markerOffset(bytes);
    if (!bytes.has(marker, 4)) {
        return qint64(marker + 4);
    }
    if (!bytes.matches(marker, "fLaC")) {
        return 0;
    }
    std::uint64_t offset = marker + 4;
    for (int i = 0; i < kMaxBlocks; ++i) {
        if (!bytes.has(offset, 4)) {
            return qint64(offset + 4);
        }
        const bool last = *bytes.u8(offset) & 0x80;
        offset += 4 + std::uint64_t{u24(bytes, offset + 1)};
        if (last) {
            // And the first frame's sync, which shows that the blocks really end there.
            return bytes.has(offset, 2) ? 0 : qint64(offset + 2);
        }
    }
    return 0;
}

TagResult<FLACTagEditor::Metadata> FLACTagEditor::parseMetadata(ByteView bytes, qint64 fileSize) {
    using Result = TagResult<Metadata>;
    Metadata metadata;
    const std::uint64_t marker = markerOffset(bytes);
    if (!bytes.has(marker, 4) || !bytes.matches(marker, "fLaC")) {
        return Result::failure(
            refused(QCoreApplication::translate("FLACTagEditor", "The file is not a FLAC file.")));
    }
    metadata.prefix = bytes.slice(0, marker)->toByteArray();
    std::uint64_t offset = marker + 4;
    const auto pastEnd = [&] {
        return Result::failure(refused(
            QCoreApplication::translate("FLACTagEditor", "A metadata block runs past the end of the file.")));
    };
    for (int i = 0;; ++i) {
        if (i == kMaxBlocks) {
            return Result::failure(refused(QCoreApplication::translate(
                "FLACTagEditor", "The file has more metadata blocks than a FLAC file holds.")));
        }
        if (!bytes.has(offset, 4)) {
            return pastEnd();
        }
        const std::uint8_t head = *bytes.u8(offset);
        const std::uint32_t length = u24(bytes, offset + 1);
        const std::optional<ByteView> body = bytes.slice(offset + 4, length);
        if (!body || qint64(offset + 4 + length) > fileSize) {
            return pastEnd();
        }
        const std::uint8_t type = head & 0x7F;
        if (type == 127 || (i == 0 && (type != streamInfo || length != 34)) ||
            (i > 0 && type == streamInfo)) {
            return Result::failure(
                refused(QCoreApplication::translate("FLACTagEditor", "The FLAC metadata is damaged.")));
        }
        metadata.blocks.append({type, body->toByteArray()});
        offset += 4 + length;
        if (head & 0x80) {
            break;
        }
    }
    metadata.framesOffset = qint64(offset);
    if (metadata.framesOffset >= fileSize || !isFrameSync(bytes, offset)) {
        return Result::failure(refused(QCoreApplication::translate(
            "FLACTagEditor", "No audio follows the FLAC metadata: the file may be cut off or damaged.")));
    }
    return Result::success(std::move(metadata));
}

bool FLACTagEditor::endsWithWholeFrame(ByteView tail) {
    if (tail.size() < 8) {
        return false;
    }
    const std::uint64_t end = tail.size();
    const std::uint16_t stored = static_cast<std::uint16_t>(*tail.u8(end - 2) << 8 | *tail.u8(end - 1));
    // The last frame is the last one whose header holds and whose checksum covers the rest exactly.
    for (std::uint64_t start = end - 8 + 1; start-- > 0;) {
        if (!isFrameSync(tail, start) || !frameHeaderLength(tail, start)) {
            continue;
        }
        if (crc16(tail.data() + start, end - 2 - start) == stored) {
            return true;
        }
    }
    return false;
}

TagResult<QByteArray> FLACTagEditor::rebuildHead(const Metadata& metadata, const TagValues& values) {
    using Result = TagResult<QByteArray>;
    QList<Block> blocks = metadata.blocks;
    bool changed = false;

    // The comments: the first VORBIS_COMMENT block, or a new one after STREAMINFO when there is none.
    const auto commentBlock = std::find_if(blocks.begin(), blocks.end(),
                                           [](const Block& block) { return block.type == vorbisComment; });
    vorbis::CommentList list;
    if (commentBlock != blocks.end()) {
        std::optional<vorbis::CommentList> parsed = vorbis::parseComments(ByteView(commentBlock->body));
        if (!parsed) {
            return Result::failure(refused(
                QCoreApplication::translate("FLACTagEditor", "The comments of the FLAC file are damaged.")));
        }
        list = std::move(*parsed);
    } else {
        list.vendor = QByteArrayLiteral("Quirella Tag-Editor");
    }
    QList<QByteArray> comments = vorbis::withValues(list.comments, values);
    if (comments != list.comments) {
        list.comments = std::move(comments);
        const QByteArray body = vorbis::serialise(list);
        if (body.size() > qsizetype(kMaxBlockLength)) {
            return Result::failure(TagStatus::failure(
                TagError::writeFailure,
                QCoreApplication::translate(
                    "FLACTagEditor",
                    "The comments would not fit into a FLAC block; the file was left unchanged.")));
        }
        if (commentBlock != blocks.end()) {
            commentBlock->body = body;
        } else {
            blocks.insert(1, {vorbisComment, body});
        }
        changed = true;
    }

    // The cover: the shown PICTURE block is replaced in its place or removed; a new one goes before the
    // padding.
    QList<std::uint32_t> types;
    QList<qsizetype> places;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        if (blocks.at(i).type == picture) {
            const std::optional<std::uint32_t> type = ByteView(blocks.at(i).body).u32BE(0);
            types.append(type.value_or(0));
            places.append(i);
        }
    }
    const qsizetype shown = vorbis::shownPicture(types);
    std::optional<QByteArray> shownData;
    if (shown >= 0) {
        if (const std::optional<vorbis::Picture> picture =
                vorbis::parsePicture(ByteView(blocks.at(places.at(shown)).body))) {
            shownData = picture->data;
        }
    }
    switch (vorbis::pictureEdit(shownData, values)) {
    case vorbis::PictureEdit::keep:
        break;
    case vorbis::PictureEdit::remove:
        blocks.removeAt(places.at(shown));
        changed = true;
        break;
    case vorbis::PictureEdit::replace:
        if (const std::optional<vorbis::Picture> cover =
                vorbis::frontCover(*values.coverImage, QStringLiteral("flac"))) {
            const QByteArray body = vorbis::serialise(*cover);
            if (body.size() <= qsizetype(kMaxBlockLength)) {
                if (shown >= 0) {
                    blocks[places.at(shown)].body = body;
                } else {
                    const auto firstPadding =
                        std::find_if(blocks.begin(), blocks.end(),
                                     [](const Block& block) { return block.type == padding; });
                    blocks.insert(firstPadding, {picture, body});
                }
                changed = true;
            }
        }
        break;
    }
    if (!changed) {
        return Result::success({});
    }

    QByteArray head = metadata.prefix;
    head.append("fLaC");
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const Block& block = blocks.at(i);
        const auto length = static_cast<std::uint32_t>(block.body.size());
        head.append(static_cast<char>((i + 1 == blocks.size() ? 0x80 : 0x00) | block.type));
        head.append(static_cast<char>(length >> 16));
        head.append(static_cast<char>(length >> 8));
        head.append(static_cast<char>(length));
        head.append(block.body);
    }
    return Result::success(std::move(head));
}

QFuture<TagStatus> FLACTagEditor::writeTags(const QString& path, TagValues values,
                                            std::shared_ptr<WriteCancellation> cancellation) {
    return m_executor.run([path, values = std::move(values), cancellation = std::move(cancellation)] {
        if (cancellation && !cancellation->beginReplacement()) {
            return cancelledWrite(path);
        }
        return writeTagsNow(path, values);
    });
}

TagStatus FLACTagEditor::writeTagsNow(const QString& path, const TagValues& values) {
    TagResult<atomicfile::SourceFile> file = atomicfile::SourceFile::open(path);
    if (!file.ok()) {
        return file.status;
    }
    const qint64 size = file.value->size();
    // Only the metadata is read, as far as it goes, and the last frame; the frames in between are
    // copied into the new file by the kernel.
    qint64 wanted = 64 * 1024;
    TagResult<QByteArray> head = file.value->read(0, wanted);
    while (head.ok()) {
        const qint64 needed = moreBytesNeeded(ByteView(*head.value));
        if (needed <= head.value->size() || head.value->size() < wanted) {
            break;
        }
        wanted = needed;
        head = file.value->read(0, wanted);
    }
    if (!head.ok()) {
        return head.status;
    }
    TagResult<Metadata> metadata = parseMetadata(ByteView(*head.value), size);
    if (!metadata.ok()) {
        return metadata.status;
    }

    // STREAMINFO names the largest frame when the encoder knew it; twice that leaves room for a
    // figure that is a little off.
    const std::uint32_t largestFrame = u24(ByteView(metadata.value->blocks.first().body), 7);
    qint64 window = std::max(2 * qint64{largestFrame}, kDefaultFrameWindow);
    window = std::min({window, kMaxFrameWindow, size - metadata.value->framesOffset});
    TagResult<QByteArray> tail = file.value->read(size - window, window);
    if (!tail.ok()) {
        return tail.status;
    }
    bool whole = endsWithWholeFrame(ByteView(*tail.value));
    // An ID3v1 tag that some programs append after the frames.
    if (!whole && tail.value->size() > 128 &&
        tail.value->sliced(tail.value->size() - 128).startsWith("TAG")) {
        whole = endsWithWholeFrame(ByteView(QByteArrayView(*tail.value).chopped(128)));
    }
    if (!whole) {
        return refused(QCoreApplication::translate(
            "FLACTagEditor", "The FLAC file does not end with a whole frame: it may be cut off or damaged."));
    }

    const TagResult<QByteArray> rebuilt = rebuildHead(*metadata.value, values);
    if (!rebuilt.ok()) {
        return rebuilt.status;
    }
    if (rebuilt.value->isEmpty()) {
        return TagStatus::success(); // the file holds these values already
    }
    return file.value->replaceHead(*rebuilt.value, metadata.value->framesOffset);
}

} // namespace quirella
