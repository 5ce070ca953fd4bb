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

// The PICTURE block loading shows: of the blocks that parse as pictures (a damaged one is neither shown
// nor touched), the first front cover, else the first.
struct ShownPicture {
    qsizetype index = -1;
    std::optional<QByteArray> data;
};

ShownPicture shownPictureOf(const QList<FLACTagEditor::Block>& blocks) {
    QList<std::uint32_t> types;
    QList<qsizetype> places;
    QList<QByteArray> data;
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        if (blocks.at(i).type != FLACTagEditor::picture) {
            continue;
        }
        if (const std::optional<vorbis::Picture> picture =
                vorbis::parsePicture(ByteView(blocks.at(i).body))) {
            types.append(picture->type);
            places.append(i);
            data.append(picture->data);
        }
    }
    const qsizetype shown = vorbis::shownPicture(types);
    if (shown < 0) {
        return {};
    }
    return {places.at(shown), data.at(shown)};
}

} // namespace

StoredTags FLACTagEditor::storedTags(const Metadata& metadata) {
    StoredTags stored;
    const auto comments = std::find_if(metadata.blocks.begin(), metadata.blocks.end(),
                                       [](const Block& block) { return block.type == vorbisComment; });
    if (comments != metadata.blocks.end()) {
        if (const std::optional<vorbis::CommentList> list = vorbis::parseComments(ByteView(comments->body))) {
            stored = vorbis::storedTags(list->comments);
        }
    }
    stored.cover = shownPictureOf(metadata.blocks).data;
    return stored;
}

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
        // Every block but padding and the seek table has a body (TagLib rejects the whole file too).
        const bool emptyBlock = length == 0 && type != padding && type != seekTable;
        if (type == 127 || emptyBlock || (i == 0 && (type != streamInfo || length != 34)) ||
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
    // The last frame is the last one whose header holds and whose checksum covers the rest exactly. The
    // checksum of every suffix comes from the one after it (the checksum is linear: a byte b in front of
    // k bytes adds b·x^(8k+16) mod P), so the whole scan takes one pass over the tail.
    const auto timesX = [](std::uint16_t value) {
        return static_cast<std::uint16_t>((value << 1) ^ (value & 0x8000 ? 0x8005 : 0));
    };
    std::uint16_t suffixCrc = 0;
    std::uint16_t power = 0x8005; // x^16 mod P, the weight of the byte just before the checksum
    for (std::uint64_t start = end - 2; start-- > 0;) {
        const std::uint8_t byte = tail.data()[start];
        std::uint16_t term = 0;
        for (int bit = 7; bit >= 0; --bit) {
            term = timesX(term);
            if (byte & (1u << bit)) {
                term ^= power;
            }
        }
        suffixCrc ^= term;
        for (int bit = 0; bit < 8; ++bit) {
            power = timesX(power);
        }
        if (start + 8 <= end && suffixCrc == stored && frameHeaderLength(tail, start)) {
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
    const ShownPicture shownPicture = shownPictureOf(blocks);
    const qsizetype shown = shownPicture.index;
    const std::optional<QByteArray>& shownData = shownPicture.data;
    switch (vorbis::pictureEdit(shownData, values)) {
    case vorbis::PictureEdit::keep:
        break;
    case vorbis::PictureEdit::remove:
        blocks.removeAt(shown);
        changed = true;
        break;
    case vorbis::PictureEdit::replace:
        if (const std::optional<vorbis::Picture> cover =
                vorbis::frontCover(*values.coverImage, QStringLiteral("flac"))) {
            const QByteArray body = vorbis::serialise(*cover);
            if (body.size() <= qsizetype(kMaxBlockLength)) {
                if (shown >= 0) {
                    blocks[shown].body = body;
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
    if (!values.any()) {
        return TagStatus::success();
    }
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
