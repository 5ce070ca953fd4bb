// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/OggTagEditor.h"

#include "tags/AtomicFile.h"
#include "tags/VorbisComment.h"

#include <QCoreApplication>

#include <array>
#include <utility>

namespace quirella {

namespace {

constexpr qint64 kPageHeader = 27;
constexpr int kMaxSegments = 255;
constexpr qint64 kNoGranule = -1;

TagStatus refused(const QString& reason) {
    return TagStatus::failure(TagError::notValidFormat,
                              reason + QStringLiteral(" The file was left unchanged."));
}

struct Codec {
    QByteArrayView identification; // how the first packet starts
    QByteArrayView comments;       // how the comment packet starts
    int headerPackets = 0;
};

constexpr Codec kVorbis{"\x01vorbis", "\x03vorbis", 3};
constexpr Codec kOpus{"OpusHead", "OpusTags", 2};

void storeU32(QByteArray& out, qsizetype at, std::uint32_t value) {
    storeU32LE(out, at, value);
}

// One page of the stream `serial` holding `segments` of `body`.
QByteArray makePage(std::uint8_t flags, qint64 granule, std::uint32_t serial, std::uint32_t sequence,
                    const QByteArray& segments, const QByteArray& body) {
    QByteArray page("OggS", 4);
    page.append('\0'); // version
    page.append(static_cast<char>(flags));
    for (int i = 0; i < 8; ++i) {
        page.append(static_cast<char>(static_cast<quint64>(granule) >> (8 * i)));
    }
    appendU32LE(page, serial);
    appendU32LE(page, sequence);
    appendU32LE(page, 0); // checksum, filled in below
    page.append(static_cast<char>(segments.size()));
    page.append(segments);
    page.append(body);
    storeU32(page, 22, OggTagEditor::checksum(page));
    return page;
}

} // namespace

std::uint32_t OggTagEditor::checksum(QByteArrayView page) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t crc = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
            }
            entries[i] = crc;
        }
        return entries;
    }();
    std::uint32_t crc = 0;
    for (const char byte : page) {
        crc = (crc << 8) ^ table[((crc >> 24) ^ static_cast<std::uint8_t>(byte)) & 0xFF];
    }
    return crc;
}

TagResult<QList<OggTagEditor::Page>> OggTagEditor::pagesOf(ByteView file) {
    using Result = TagResult<QList<Page>>;
    const auto damaged = [](const QString& what) { return Result::failure(refused(what)); };
    QList<Page> pages;
    std::uint32_t serial = 0;
    bool ended = false;
    for (std::uint64_t offset = 0; offset < file.size();) {
        if (!file.matches(offset, "OggS")) {
            return damaged(pages.isEmpty()
                               ? QCoreApplication::translate("OggTagEditor", "The file is not an Ogg file.")
                               : QCoreApplication::translate("OggTagEditor",
                                                             "There are bytes after the last Ogg page."));
        }
        const std::optional<ByteView> header = file.slice(offset, kPageHeader);
        if (!header) {
            return damaged(QCoreApplication::translate("OggTagEditor", "The last Ogg page is cut off."));
        }
        const std::uint8_t segmentCount = *header->u8(26);
        const std::optional<ByteView> segments = file.slice(offset + kPageHeader, segmentCount);
        if (!segments) {
            return damaged(QCoreApplication::translate("OggTagEditor", "The last Ogg page is cut off."));
        }
        std::uint64_t bodySize = 0;
        for (std::uint64_t i = 0; i < segmentCount; ++i) {
            bodySize += *segments->u8(i);
        }
        const std::uint64_t pageSize = kPageHeader + segmentCount + bodySize;
        const std::optional<ByteView> whole = file.slice(offset, pageSize);
        if (!whole) {
            return damaged(QCoreApplication::translate("OggTagEditor", "The last Ogg page is cut off."));
        }
        QByteArray zeroed = whole->toByteArray();
        storeU32(zeroed, 22, 0);
        if (*header->u8(4) != 0 || checksum(zeroed) != *header->u32LE(22)) {
            return damaged(QCoreApplication::translate("OggTagEditor", "An Ogg page is damaged."));
        }
        Page page;
        page.offset = qint64(offset);
        page.size = qint64(pageSize);
        page.flags = *header->u8(5);
        page.sequence = *header->u32LE(18);
        page.segments = segments->toByteArray();
        page.bodyOffset = qint64(offset + kPageHeader + segmentCount);
        const std::uint32_t pageSerial = *header->u32LE(14);
        const bool first = pages.isEmpty();
        if (first) {
            serial = pageSerial;
        }
        if (ended || pageSerial != serial || bool(page.flags & 0x02) != first) {
            return damaged(QCoreApplication::translate(
                "OggTagEditor", "The file holds more than one Ogg stream; such files are not written."));
        }
        if (!first && page.sequence != pages.last().sequence + 1) {
            return damaged(
                QCoreApplication::translate("OggTagEditor", "Pages of the Ogg stream are missing."));
        }
        ended = page.flags & 0x04;
        pages.append(page);
        offset += pageSize;
    }
    if (pages.isEmpty()) {
        return damaged(QCoreApplication::translate("OggTagEditor", "The file is not an Ogg file."));
    }
    return Result::success(std::move(pages));
}

TagResult<OggTagEditor::Rewrite> OggTagEditor::rebuild(ByteView file, const TagValues& values) {
    using Result = TagResult<Rewrite>;
    TagResult<QList<Page>> paged = pagesOf(file);
    if (!paged.ok()) {
        return Result::failure(paged.status);
    }
    const QList<Page>& pages = *paged.value;

    // The header packets, and the number of pages they take: the first page holds the first packet
    // alone, and the last header packet ends its page.
    QList<QByteArray> packets;
    QByteArray current;
    qsizetype headerPages = 0;
    std::optional<Codec> codec;
    for (const Page& page : pages) {
        qint64 at = page.bodyOffset;
        for (qsizetype i = 0; i < page.segments.size(); ++i) {
            const auto length = static_cast<std::uint8_t>(page.segments.at(i));
            current.append(file.slice(std::uint64_t(at), length)->toView());
            at += length;
            if (length == kMaxSegments) {
                continue;
            }
            packets.append(std::exchange(current, {}));
            const bool pageEnds = i + 1 == page.segments.size();
            if (packets.size() == 1) {
                for (const Codec& known : {kVorbis, kOpus}) {
                    if (packets.first().startsWith(known.identification)) {
                        codec = known;
                    }
                }
                if (!codec) {
                    return Result::failure(refused(
                        packets.first().startsWith("\x7F"
                                                   "FLAC")
                            ? QCoreApplication::translate("OggTagEditor", "FLAC inside Ogg is not written.")
                            : QCoreApplication::translate("OggTagEditor",
                                                          "The Ogg stream is neither Vorbis nor Opus.")));
                }
            }
            if ((packets.size() == 1 || packets.size() == codec->headerPackets) && !pageEnds) {
                return Result::failure(refused(QCoreApplication::translate(
                    "OggTagEditor", "The Ogg headers are laid out in an unusual way.")));
            }
        }
        ++headerPages;
        if (codec && packets.size() == codec->headerPackets) {
            break;
        }
    }
    if (!codec || packets.size() < codec->headerPackets) {
        return Result::failure(
            refused(QCoreApplication::translate("OggTagEditor", "The Ogg headers are incomplete.")));
    }

    // The comment packet: its prefix, the list, and whatever follows the list, kept as it is.
    const QByteArray& packet = packets.at(1);
    if (!packet.startsWith(codec->comments)) {
        return Result::failure(
            refused(QCoreApplication::translate("OggTagEditor", "The Ogg comment header is damaged.")));
    }
    std::uint64_t consumed = 0;
    std::optional<vorbis::CommentList> list =
        vorbis::parseComments(ByteView(packet).from(std::uint64_t(codec->comments.size())), &consumed);
    if (!list) {
        return Result::failure(
            refused(QCoreApplication::translate("OggTagEditor", "The Ogg comment header is damaged.")));
    }
    QList<QByteArray> comments = vorbis::withValues(list->comments, values);
    comments = vorbis::withCover(comments, values, QStringLiteral("ogg"));
    if (comments == list->comments) {
        return Result::success({});
    }
    const QByteArray trailing = packet.mid(codec->comments.size() + qsizetype(consumed));
    list->comments = std::move(comments);
    packets[1] = codec->comments.toByteArray() + vorbis::serialise(*list) + trailing;

    // The first page as it was, then the other header packets on new pages.
    const Page& first = pages.first();
    const std::uint32_t serial = *file.u32LE(std::uint64_t(first.offset) + 14);
    QByteArray head = file.slice(std::uint64_t(first.offset), std::uint64_t(first.size))->toByteArray();
    std::uint32_t sequence = first.sequence + 1;
    QByteArray segments;
    QByteArray body;
    bool continued = false;   // the page being filled begins with the rest of a packet
    bool packetEnded = false; // a packet ends on the page being filled
    const auto flush = [&] {
        head.append(makePage(continued ? 0x01 : 0x00, packetEnded ? 0 : kNoGranule, serial, sequence++,
                             segments, body));
        segments.clear();
        body.clear();
        packetEnded = false;
    };
    for (qsizetype p = 1; p < packets.size(); ++p) {
        const QByteArray& data = packets.at(p);
        qsizetype at = 0;
        for (;;) {
            const qsizetype length = std::min<qsizetype>(kMaxSegments, data.size() - at);
            segments.append(static_cast<char>(length));
            body.append(data.constData() + at, length);
            at += length;
            const bool ends = length < kMaxSegments;
            packetEnded = packetEnded || ends;
            if (segments.size() == kMaxSegments) {
                const bool more = !ends || p + 1 < packets.size();
                flush();
                continued = !ends;
                if (!more) {
                    break;
                }
            }
            if (ends) {
                break;
            }
        }
    }
    if (!segments.isEmpty()) {
        flush();
    }

    const qint64 audioOffset =
        headerPages < pages.size() ? pages.at(headerPages).offset : qint64(file.size());
    const auto shift = static_cast<std::int64_t>(sequence) -
                       static_cast<std::int64_t>(pages.at(headerPages - 1).sequence + 1);
    if (shift == 0) {
        return Result::success({std::move(head), audioOffset});
    }
    // Another number of header pages: every later page is renumbered and its checksum renewed.
    for (qsizetype i = headerPages; i < pages.size(); ++i) {
        QByteArray page =
            file.slice(std::uint64_t(pages.at(i).offset), std::uint64_t(pages.at(i).size))->toByteArray();
        storeU32(page, 18, static_cast<std::uint32_t>(pages.at(i).sequence + shift));
        storeU32(page, 22, 0);
        storeU32(page, 22, checksum(page));
        head.append(page);
    }
    return Result::success({std::move(head), qint64(file.size())});
}

QFuture<TagStatus> OggTagEditor::writeTags(const QString& path, TagValues values,
                                           std::shared_ptr<WriteCancellation> cancellation) {
    return m_executor.run([path, values = std::move(values), cancellation = std::move(cancellation)] {
        if (cancellation && !cancellation->beginReplacement()) {
            return cancelledWrite(path);
        }
        return writeTagsNow(path, values);
    });
}

TagStatus OggTagEditor::writeTagsNow(const QString& path, const TagValues& values) {
    TagResult<atomicfile::SourceFile> source = atomicfile::SourceFile::open(path);
    if (!source.ok()) {
        return source.status;
    }
    // Every page is read: its checksum is how a damaged or cut-off file shows.
    const TagResult<QByteArray> file = source.value->readAll();
    if (!file.ok()) {
        return file.status;
    }
    const TagResult<Rewrite> rewrite = rebuild(ByteView(*file.value), values);
    if (!rewrite.ok()) {
        return rewrite.status;
    }
    if (rewrite.value->head.isEmpty()) {
        return TagStatus::success(); // the file holds these values already
    }
    return source.value->replaceHead(rewrite.value->head, rewrite.value->restOffset);
}

} // namespace quirella
