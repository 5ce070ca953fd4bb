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
    qsizetype identificationSize = 0; // the least an identification packet holds
};

constexpr Codec kVorbis{"\x01vorbis", "\x03vorbis", 3, 30};
constexpr Codec kOpus{"OpusHead", "OpusTags", 2, 19};

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
    // CRC-32 with the polynomial 0x04C11DB7, most significant bit first, no reflection, no final xor.
    // Eight bytes at a time ("slicing by eight"): tables[k] advances a byte k places further, so eight
    // look-ups replace eight dependent steps. Loading checks every page it reads, which made the
    // byte-at-a-time loop a tenth of the time to read a library of Ogg files.
    static const auto tables = [] {
        std::array<std::array<std::uint32_t, 256>, 8> entries{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t crc = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
            }
            entries[0][i] = crc;
        }
        for (std::size_t k = 1; k < 8; ++k) {
            for (std::uint32_t i = 0; i < 256; ++i) {
                const std::uint32_t previous = entries[k - 1][i];
                entries[k][i] = (previous << 8) ^ entries[0][previous >> 24];
            }
        }
        return entries;
    }();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(page.data());
    qsizetype left = page.size();
    std::uint32_t crc = 0;
    const auto word = [](const std::uint8_t* at) {
        return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
    };
    for (; left >= 8; left -= 8, bytes += 8) {
        const std::uint32_t high = crc ^ word(bytes);
        const std::uint32_t low = word(bytes + 4);
        crc = tables[7][high >> 24] ^ tables[6][(high >> 16) & 0xFF] ^ tables[5][(high >> 8) & 0xFF] ^
              tables[4][high & 0xFF] ^ tables[3][low >> 24] ^ tables[2][(low >> 16) & 0xFF] ^
              tables[1][(low >> 8) & 0xFF] ^ tables[0][low & 0xFF];
    }
    for (; left > 0; --left, ++bytes) {
        crc = (crc << 8) ^ tables[0][((crc >> 24) ^ *bytes) & 0xFF];
    }
    return crc;
}

TagResult<QList<OggTagEditor::Page>> OggTagEditor::pagesOf(ByteView file, bool* cutOff) {
    using Result = TagResult<QList<Page>>;
    QList<Page> pages;
    const auto damaged = [&](const QString& what) { return Result::failure(refused(what)); };
    // Bytes that end inside a page: the pages before it, for a reader of the head of a file.
    const auto cutShort = [&] {
        if (cutOff) {
            *cutOff = true;
            return Result::success(std::move(pages));
        }
        return damaged(QCoreApplication::translate("OggTagEditor", "The last Ogg page is cut off."));
    };
    if (cutOff) {
        *cutOff = false;
    }
    std::uint32_t serial = 0;
    bool ended = false;
    for (std::uint64_t offset = 0; offset < file.size();) {
        if (!file.has(offset, 4) && !pages.isEmpty()) {
            return cutShort();
        }
        if (!file.matches(offset, "OggS")) {
            return damaged(pages.isEmpty()
                               ? QCoreApplication::translate("OggTagEditor", "The file is not an Ogg file.")
                               : QCoreApplication::translate("OggTagEditor",
                                                             "There are bytes after the last Ogg page."));
        }
        const std::optional<ByteView> header = file.slice(offset, kPageHeader);
        if (!header) {
            return cutShort();
        }
        const std::uint8_t segmentCount = *header->u8(26);
        const std::optional<ByteView> segments = file.slice(offset + kPageHeader, segmentCount);
        if (!segments) {
            return cutShort();
        }
        std::uint64_t bodySize = 0;
        for (std::uint64_t i = 0; i < segmentCount; ++i) {
            bodySize += *segments->u8(i);
        }
        const std::uint64_t pageSize = kPageHeader + segmentCount + bodySize;
        const std::optional<ByteView> whole = file.slice(offset, pageSize);
        if (!whole) {
            return cutShort();
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

namespace {

struct Headers {
    Codec codec;
    QList<QByteArray> packets;
    qsizetype pageCount = 0; // pages the header packets take
};

// The header packets of a stream whose first pages are `pages`. The first page must hold the
// identification packet alone and whole, and the last header packet must end its page: the rewrite keeps
// the first page as it is and lays the others out anew. `needMore` (when given) is set instead of a
// refusal when the pages end before the headers do.
TagResult<Headers> headersOf(ByteView file, const QList<OggTagEditor::Page>& pages,
                             bool* needMore = nullptr) {
    using Result = TagResult<Headers>;
    const auto refuse = [](const QString& what) { return Result::failure(refused(what)); };
    const auto unusual = [&] {
        return refuse(
            QCoreApplication::translate("OggTagEditor", "The Ogg headers are laid out in an unusual way."));
    };
    Headers headers;
    QByteArray current;
    std::optional<Codec> codec;
    for (const OggTagEditor::Page& page : pages) {
        qint64 at = page.bodyOffset;
        if (headers.pageCount == 0 && (page.flags & 0x01)) {
            return unusual();
        }
        for (qsizetype i = 0; i < page.segments.size(); ++i) {
            const auto length = static_cast<std::uint8_t>(page.segments.at(i));
            current.append(file.slice(std::uint64_t(at), length)->toView());
            at += length;
            if (length == kMaxSegments) {
                continue;
            }
            headers.packets.append(std::exchange(current, {}));
            const bool pageEnds = i + 1 == page.segments.size();
            if (headers.packets.size() == 1) {
                const QByteArray& first = headers.packets.first();
                for (const Codec& known : {kVorbis, kOpus}) {
                    if (first.startsWith(known.identification) && first.size() >= known.identificationSize) {
                        codec = known;
                    }
                }
                if (!codec) {
                    return refuse(
                        first.startsWith("\x7F"
                                         "FLAC")
                            ? QCoreApplication::translate("OggTagEditor", "FLAC inside Ogg is not written.")
                            : QCoreApplication::translate("OggTagEditor",
                                                          "The Ogg stream is neither Vorbis nor Opus."));
                }
            }
            if ((headers.packets.size() == 1 || headers.packets.size() == codec->headerPackets) &&
                !pageEnds) {
                return unusual();
            }
        }
        ++headers.pageCount;
        // The first page holds the identification packet, whole, and nothing else.
        if (headers.pageCount == 1 && (headers.packets.size() != 1 || !current.isEmpty())) {
            return unusual();
        }
        if (codec && headers.packets.size() == codec->headerPackets) {
            break;
        }
    }
    if (!codec || headers.packets.size() < codec->headerPackets) {
        if (needMore) {
            *needMore = true;
        }
        return refuse(QCoreApplication::translate("OggTagEditor", "The Ogg headers are incomplete."));
    }
    headers.codec = *codec;
    return Result::success(std::move(headers));
}

struct CommentPacket {
    vorbis::CommentList list;
    QByteArray trailing; // whatever follows the list in the packet (the framing bit, Opus padding)
};

TagResult<CommentPacket> commentPacketOf(const Headers& headers) {
    const QByteArray& packet = headers.packets.at(1);
    const auto damaged = [] {
        return TagResult<CommentPacket>::failure(
            refused(QCoreApplication::translate("OggTagEditor", "The Ogg comment header is damaged.")));
    };
    if (!packet.startsWith(headers.codec.comments)) {
        return damaged();
    }
    std::uint64_t consumed = 0;
    std::optional<vorbis::CommentList> list =
        vorbis::parseComments(ByteView(packet).from(std::uint64_t(headers.codec.comments.size())), &consumed);
    if (!list) {
        return damaged();
    }
    return TagResult<CommentPacket>::success(
        {std::move(*list), packet.mid(headers.codec.comments.size() + qsizetype(consumed))});
}

} // namespace

TagResult<StoredTags> OggTagEditor::storedTags(ByteView head, bool* needMore) {
    using Result = TagResult<StoredTags>;
    if (needMore) {
        *needMore = false;
    }
    bool cutOff = false;
    const TagResult<QList<Page>> paged = pagesOf(head, &cutOff);
    if (!paged.ok()) {
        return Result::failure(paged.status);
    }
    const TagResult<Headers> headers = headersOf(head, *paged.value, cutOff ? needMore : nullptr);
    if (!headers.ok()) {
        return Result::failure(headers.status);
    }
    const TagResult<CommentPacket> packet = commentPacketOf(*headers.value);
    if (!packet.ok()) {
        return Result::failure(packet.status);
    }
    return Result::success(vorbis::storedTags(packet.value->list.comments));
}

TagResult<OggTagEditor::Rewrite> OggTagEditor::rebuild(ByteView file, const TagValues& values) {
    using Result = TagResult<Rewrite>;
    TagResult<QList<Page>> paged = pagesOf(file);
    if (!paged.ok()) {
        return Result::failure(paged.status);
    }
    const QList<Page>& pages = *paged.value;
    TagResult<Headers> read = headersOf(file, pages);
    if (!read.ok()) {
        return Result::failure(read.status);
    }
    Headers& headers = *read.value;
    QList<QByteArray>& packets = headers.packets;
    const qsizetype headerPages = headers.pageCount;
    TagResult<CommentPacket> packet = commentPacketOf(headers);
    if (!packet.ok()) {
        return Result::failure(packet.status);
    }
    vorbis::CommentList& list = packet.value->list;
    QList<QByteArray> comments = vorbis::withValues(list.comments, values);
    comments = vorbis::withCover(comments, values, QStringLiteral("ogg"));
    if (comments == list.comments) {
        return Result::success({});
    }
    list.comments = std::move(comments);
    packets[1] = headers.codec.comments.toByteArray() + vorbis::serialise(list) + packet.value->trailing;

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
    if (!values.any()) {
        return TagStatus::success();
    }
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
