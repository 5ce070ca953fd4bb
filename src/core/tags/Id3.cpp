// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Id3.h"

#include "tags/ByteView.h"
#include "tags/Rating.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <array>
#include <taglib/id3v1genres.h>

namespace quirella::id3 {

namespace {

// ID3v2 header flags.
constexpr std::uint8_t kHeaderUnsynchronised = 0x80;
constexpr std::uint8_t kHeaderExtended = 0x40;
constexpr std::uint8_t kHeaderFooter = 0x10;

// Frame flags of version 2.3: status byte (high), encoding byte (low).
constexpr std::uint16_t kV3TagAlterPreservation = 0x8000;
constexpr std::uint16_t kV3FileAlterPreservation = 0x4000;
constexpr std::uint16_t kV3ReadOnly = 0x2000;
constexpr std::uint16_t kV3Compressed = 0x0080;
constexpr std::uint16_t kV3Encrypted = 0x0040;
constexpr std::uint16_t kV3Grouped = 0x0020;

// Frame flags of version 2.4: status byte (high), format byte (low).
constexpr std::uint16_t kV4TagAlterPreservation = 0x4000;
constexpr std::uint16_t kV4FileAlterPreservation = 0x2000;
constexpr std::uint16_t kV4ReadOnly = 0x1000;
constexpr std::uint16_t kV4Grouped = 0x0040;
constexpr std::uint16_t kV4Compressed = 0x0008;
constexpr std::uint16_t kV4Encrypted = 0x0004;
constexpr std::uint16_t kV4Unsynchronised = 0x0002;
constexpr std::uint16_t kV4DataLengthIndicator = 0x0001;

// A real tag holds a few dozen frames; this only bounds the work on hostile input.
constexpr int kMaxFrames = 65536;

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

bool isFrameIdByte(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isSyncsafe(ByteView bytes) {
    return bytes.size() == 4 &&
           ((bytes.data()[0] | bytes.data()[1] | bytes.data()[2] | bytes.data()[3]) & 0x80) == 0;
}

// Reverses unsynchronisation: every 0xFF 0x00 becomes 0xFF.
QByteArray undoUnsynchronisation(ByteView bytes) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    const std::uint8_t* data = bytes.data();
    for (std::uint64_t i = 0; i < bytes.size(); ++i) {
        out.append(static_cast<char>(data[i]));
        if (data[i] == 0xFF && bytes.size() - i > 1 && data[i + 1] == 0x00) {
            ++i;
        }
    }
    return out;
}

// The frame area of a version 2.3 or 2.4 tag: after the header and any extended header, with the
// whole-tag unsynchronisation of version 2.3 undone. Holds a copy only when it had to undo something,
// so it must stay where it was opened while `frames` is in use.
struct TagBody {
    int major = 0;
    std::uint8_t flags = 0;
    QByteArray undone;
    ByteView frames;

    TagBody() = default;
    TagBody(const TagBody&) = delete;
    TagBody& operator=(const TagBody&) = delete;
};

// `tag` starts with the 10-byte header; the frame area is cut at the declared size.
bool openTag(ByteView tag, TagBody& body) {
    if (!tag.matches(0, "ID3") || !tag.has(0, 10)) {
        return false;
    }
    body.major = *tag.u8(3);
    body.flags = *tag.u8(5);
    if (body.major != 3 && body.major != 4) {
        return false;
    }
    const std::uint64_t declared = decodeSyncsafe(tag.slice(6, 4)->toView());
    ByteView area = *tag.slice(10, std::min<std::uint64_t>(declared, tag.size() - 10));
    // In version 2.3 the whole tag after the header, extended header included, is unsynchronised and
    // the frame sizes count the original bytes; undoing it first makes every frame readable as is.
    // (In version 2.4 the flag only says that every frame is unsynchronised on its own.)
    if (body.major == 3 && (body.flags & kHeaderUnsynchronised)) {
        body.undone = undoUnsynchronisation(area);
        area = ByteView(body.undone);
    }
    if (body.flags & kHeaderExtended) {
        std::uint64_t skip = 0;
        if (body.major == 3) {
            const auto size = area.u32BE(0); // excludes its own four bytes
            if (!size) {
                return false;
            }
            skip = std::uint64_t{*size} + 4;
        } else {
            const auto sizeBytes = area.slice(0, 4);
            if (!sizeBytes || !isSyncsafe(*sizeBytes)) {
                return false;
            }
            skip = decodeSyncsafe(sizeBytes->toView()); // includes its own four bytes
            if (skip < 6) {
                return false;
            }
        }
        if (!area.has(0, skip)) {
            return false;
        }
        area = area.from(skip);
    }
    body.frames = area;
    return true;
}

struct RawFrame {
    QByteArrayView id;
    std::uint16_t flags = 0;
    ByteView body;
};

// Calls `visit` for each frame in order until it returns false. The walk stops at padding or at any
// id outside [A-Z0-9]{4}, at a size that is not syncsafe (2.4) or runs past the frame area, and after
// kMaxFrames frames.
template <typename Visit>
void walkFrames(const TagBody& tag, Visit&& visit) {
    const ByteView area = tag.frames;
    std::uint64_t p = 0;
    for (int count = 0; count < kMaxFrames && area.has(p, 10); ++count) {
        const std::uint8_t* header = area.data() + p;
        if (!std::all_of(header, header + 4, isFrameIdByte)) {
            return;
        }
        std::uint64_t size = 0;
        if (tag.major == 4) {
            const ByteView sizeBytes = *area.slice(p + 4, 4);
            if (!isSyncsafe(sizeBytes)) {
                return;
            }
            size = decodeSyncsafe(sizeBytes.toView());
        } else {
            size = *area.u32BE(p + 4);
        }
        const auto body = area.slice(p + 10, size);
        if (!body) {
            return;
        }
        const RawFrame frame{QByteArrayView(reinterpret_cast<const char*>(header), 4), *area.u16BE(p + 8),
                             *body};
        if (!visit(frame)) {
            return;
        }
        p += 10 + size;
    }
}

// The frame's content as its type defines it: without the grouping byte and data length indicator,
// with per-frame unsynchronisation undone. Nothing for compressed or encrypted frames.
std::optional<QByteArray> frameContent(const TagBody& tag, const RawFrame& frame) {
    if (tag.major == 3) {
        if (frame.flags & (kV3Compressed | kV3Encrypted)) {
            return std::nullopt;
        }
        return frame.body.from((frame.flags & kV3Grouped) ? 1 : 0).toByteArray();
    }
    if (frame.flags & (kV4Compressed | kV4Encrypted)) {
        return std::nullopt;
    }
    const std::uint64_t skip =
        ((frame.flags & kV4Grouped) ? 1 : 0) + ((frame.flags & kV4DataLengthIndicator) ? 4 : 0);
    const ByteView content = frame.body.from(skip);
    if ((frame.flags & kV4Unsynchronised) || (tag.flags & kHeaderUnsynchronised)) {
        return undoUnsynchronisation(content);
    }
    return content.toByteArray();
}

// Version 2.4 status and format flags as version 2.3 spells them; the caller has already dropped the
// frames whose 2.4 flags have no 2.3 equivalent.
std::uint16_t v3FlagsFromV4(std::uint16_t flags) {
    std::uint16_t out = 0;
    if (flags & kV4TagAlterPreservation) {
        out |= kV3TagAlterPreservation;
    }
    if (flags & kV4FileAlterPreservation) {
        out |= kV3FileAlterPreservation;
    }
    if (flags & kV4ReadOnly) {
        out |= kV3ReadOnly;
    }
    if (flags & kV4Grouped) {
        out |= kV3Grouped;
    }
    return out;
}

// Frames whose content starts with a text-encoding byte.
bool startsWithTextEncoding(QByteArrayView id) {
    if (id.startsWith('T')) {
        return true;
    }
    static constexpr std::array<QByteArrayView, 10> kIds = {"WXXX", "COMM", "USLT", "SYLT", "APIC",
                                                            "GEOB", "IPLS", "USER", "OWNE", "COMR"};
    return std::find(kIds.begin(), kIds.end(), id) != kIds.end();
}

// Picture type of an APIC body (encoding, MIME type ending in 0x00, type), or nothing.
std::optional<std::uint8_t> pictureType(const QByteArray& content) {
    const ByteView view(content);
    const auto mimeEnd = view.find(0x00, 1);
    if (!mimeEnd) {
        return std::nullopt;
    }
    return view.u8(*mimeEnd + 1);
}

// A TXXX whose description is UTF-16 (encodings 1 and 2) and names a rating. Other taggers store
// "RATING" this way; `isRatingFrame` only reads single-byte descriptions, and leaving such a frame
// behind would let an old rating override the new one when the file is read again.
bool isUtf16RatingText(const QByteArray& content) {
    const ByteView view(content);
    const auto encoding = view.u8(0);
    if (!encoding || (*encoding != 1 && *encoding != 2)) {
        return false;
    }
    ByteView text = view.from(1);
    bool bigEndian = *encoding == 2;
    if (text.matches(0, "\xFF\xFE")) {
        bigEndian = false;
        text = text.from(2);
    } else if (text.matches(0, "\xFE\xFF")) {
        bigEndian = true;
        text = text.from(2);
    }
    QString description;
    for (std::uint64_t i = 0; text.has(i, 2); i += 2) {
        const std::uint8_t a = text.data()[i];
        const std::uint8_t b = text.data()[i + 1];
        const char16_t unit =
            bigEndian ? static_cast<char16_t>(a << 8 | b) : static_cast<char16_t>(b << 8 | a);
        if (unit == 0) {
            break;
        }
        description.append(QChar(unit));
    }
    return rating::isRatingDescription(description);
}

// Whether the writers replace or drop this frame of an old tag.
bool isManaged(QByteArrayView id, const TagBody& tag, const RawFrame& raw, bool albumGiven) {
    // TDRL (release time) is read for the year when the others give none, so a cleared year must
    // take it along or the old year would come back.
    static constexpr std::array<QByteArrayView, 9> kAlwaysManaged = {"TIT2", "TPE1", "TYER", "TDRC", "TDRL",
                                                                     "TDAT", "TIME", "TCON", "POPM"};
    if (std::find(kAlwaysManaged.begin(), kAlwaysManaged.end(), id) != kAlwaysManaged.end()) {
        return true;
    }
    if (id == "TALB") {
        return albumGiven;
    }
    if (id != "TXXX" && id != "APIC") {
        return false;
    }
    // A compressed or encrypted rating text or front cover cannot be told apart from other ones;
    // dropping it is better than leaving a second rating or cover behind.
    const std::optional<QByteArray> content = frameContent(tag, raw);
    if (!content) {
        return true;
    }
    if (id == "APIC") {
        return isShownPictureType(pictureType(*content));
    }
    return isRatingFrame(ID3Frame{QByteArray("TXXX"), content->size(), 0, *content}) ||
           isUtf16RatingText(*content);
}

QByteArray textBody(const QString& text) {
    QByteArray body;
    const QByteArray utf8 = text.toUtf8();
    body.reserve(utf8.size() + 1);
    body.append('\x03');
    body.append(utf8);
    return body;
}

ID3Frame makeFrame(const QByteArray& id, QByteArray body) {
    const qint64 size = body.size();
    return ID3Frame{id, size, 0, std::move(body)};
}

ID3Frame makePopmFrame(const char* identifier, std::uint8_t byte) {
    QByteArray body(identifier);
    body.append('\0');
    body.append(static_cast<char>(byte));
    body.append(4, '\0');
    return makeFrame(QByteArrayLiteral("POPM"), std::move(body));
}

// The text fields of a text frame's content (encoding byte, then texts separated by a terminator of the
// encoding's width), decoded. Nothing for an unknown encoding.
std::optional<QStringList> textFields(const QByteArray& content) {
    const ByteView view(content);
    const auto encoding = view.u8(0);
    if (!encoding || *encoding > 3) {
        return std::nullopt;
    }
    const ByteView text = view.from(1);
    QStringList fields;
    if (*encoding == 0 || *encoding == 3) {
        for (const QByteArray& part : text.toByteArray().split('\0')) {
            fields.append(*encoding == 0 ? QString::fromLatin1(part) : QString::fromUtf8(part));
        }
    } else {
        // UTF-16: with a byte order mark per text (1), or big-endian without one (2).
        std::uint64_t start = 0;
        const auto decode = [&](std::uint64_t end) {
            bool bigEndian = *encoding == 2;
            std::uint64_t i = start;
            if (end - i >= 2 && text.data()[i] == 0xFF && text.data()[i + 1] == 0xFE) {
                bigEndian = false;
                i += 2;
            } else if (end - i >= 2 && text.data()[i] == 0xFE && text.data()[i + 1] == 0xFF) {
                bigEndian = true;
                i += 2;
            }
            QString field;
            for (; end - i >= 2; i += 2) {
                const std::uint8_t a = text.data()[i];
                const std::uint8_t b = text.data()[i + 1];
                field.append(
                    QChar(bigEndian ? static_cast<char16_t>(a << 8 | b) : static_cast<char16_t>(b << 8 | a)));
            }
            fields.append(field);
        };
        std::uint64_t i = 0;
        for (; text.has(i, 2); i += 2) {
            if (text.data()[i] == 0 && text.data()[i + 1] == 0) {
                decode(i);
                start = i + 2;
            }
        }
        decode(text.size());
    }
    while (!fields.isEmpty() && fields.last().isEmpty()) {
        fields.removeLast();
    }
    return fields;
}

// The name of an ID3v1 genre number, or nothing for numbers without one.
std::optional<QString> genreName(QStringView number) {
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok || value < 0 || value > 255) {
        return std::nullopt;
    }
    const TagLib::String name = TagLib::ID3v1::genre(value);
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return QString::fromStdWString(name.toWString());
}

std::optional<QString> referenceName(QStringView reference) {
    if (reference == u"RX") {
        return QStringLiteral("Remix");
    }
    if (reference == u"CR") {
        return QStringLiteral("Cover");
    }
    if (reference.isEmpty() ||
        !std::all_of(reference.begin(), reference.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return std::nullopt;
    }
    return genreName(reference);
}

// One field of a foreign TCON frame: leading references "(17)", "(RX)", then the text; "((" stands for a
// literal "(". A field that is a bare reference ("17", "RX") is one too.
void appendGenreField(QString field, QStringList& parts) {
    const auto add = [&](const QString& part) {
        if (!part.isEmpty() && !parts.contains(part)) {
            parts.append(part);
        }
    };
    if (const std::optional<QString> name = referenceName(field)) {
        add(*name);
        return;
    }
    while (field.startsWith(u'(') && !field.startsWith(QLatin1String("(("))) {
        const qsizetype close = field.indexOf(u')');
        if (close < 0) {
            break;
        }
        const std::optional<QString> name = referenceName(QStringView(field).mid(1, close - 1));
        if (!name) {
            break; // "(Live) Rock" is a text, not a reference
        }
        add(*name);
        field = field.mid(close + 1);
    }
    if (field.startsWith(QLatin1String("(("))) {
        field.remove(0, 1);
    }
    add(field);
}

} // namespace

std::optional<QString> genreOfTag(QByteArrayView tagBytes) {
    std::optional<QString> genre;
    int major = 0;
    forEachFrame(
        tagBytes,
        [&](QByteArrayView id, ByteView content) {
            if (id != "TCON") {
                return true;
            }
            const QByteArray bytes = content.toByteArray();
            const std::optional<QStringList> fields = textFields(bytes);
            if (!fields) {
                return true;
            }
            if (major == 3 && bytes.startsWith('\x03')) {
                genre = fields->join(u' ');
                return false;
            }
            QStringList parts;
            for (const QString& field : *fields) {
                appendGenreField(field, parts);
            }
            genre = parts.join(u' ');
            return false;
        },
        &major);
    return genre;
}

FrameList setTextFrame(FrameList frames, const QByteArray& id, const QString& text) {
    frames.removeIf([&](const ID3Frame& frame) { return frame.id == id; });
    frames.append(makeFrame(id, textBody(text)));
    return frames;
}

FrameList setRatingFrames(FrameList frames, qint64 rating) {
    frames.removeIf([](const ID3Frame& frame) { return isRatingFrame(frame); });
    const std::uint8_t byte = rating::popmByte(rating);
    frames.append(makePopmFrame(kPopmIdentifierPlain, byte));
    frames.append(makePopmFrame(kPopmIdentifierItunes, byte));
    frames.append(makePopmFrame(kPopmIdentifierOwn, byte));
    QByteArray body("\x03RATING_NUMERIC");
    body.append('\0');
    body.append(QByteArray::number(std::clamp<qint64>(rating, 0, 5)));
    frames.append(makeFrame(QByteArrayLiteral("TXXX"), std::move(body)));
    return frames;
}

bool isRatingFrame(const ID3Frame& frame) {
    if (frame.id == "POPM") {
        return true;
    }
    if (frame.id != "TXXX") {
        return false;
    }
    // The first non-empty run of bytes without 0x00 after the encoding byte: normally the description.
    const ByteView rest = ByteView(frame.data).from(1);
    std::uint64_t start = 0;
    while (start < rest.size() && rest.data()[start] == 0) {
        ++start;
    }
    if (start == rest.size()) {
        return false;
    }
    const std::uint64_t end = rest.find(0x00, start).value_or(rest.size());
    const ByteView run = *rest.slice(start, end - start);
    if (std::any_of(run.data(), run.data() + run.size(), [](std::uint8_t c) { return c >= 0x80; })) {
        return false;
    }
    return rating::isRatingDescription(QString::fromLatin1(run.toView()));
}

ID3Frame makePictureFrame(const QByteArray& imageBytes, const QByteArray& mimeType) {
    QByteArray body;
    body.reserve(imageBytes.size() + mimeType.size() + 4);
    body.append('\0');
    body.append(mimeType);
    body.append('\0');
    body.append('\x03');
    body.append('\0');
    body.append(imageBytes);
    return makeFrame(QByteArrayLiteral("APIC"), std::move(body));
}

qint64 serialisedSize(const FrameList& frames) {
    qint64 size = 0;
    for (const ID3Frame& frame : frames) {
        size += 10 + frame.data.size();
    }
    return size;
}

QByteArray buildTag(const FrameList& frames, int fill) {
    fill = std::max(fill, 0);
    const qint64 body = serialisedSize(frames) + fill;
    QByteArray tag;
    tag.reserve(10 + body);
    tag.append("ID3\x03\x00\x00", 6);
    const auto size = static_cast<std::uint32_t>(body);
    const char sizeBytes[4] = {static_cast<char>((size >> 21) & 0x7F), static_cast<char>((size >> 14) & 0x7F),
                               static_cast<char>((size >> 7) & 0x7F), static_cast<char>(size & 0x7F)};
    tag.append(sizeBytes, 4);
    for (const ID3Frame& frame : frames) {
        tag.append(frame.id.leftJustified(4, ' ', true));
        appendU32BE(tag, static_cast<std::uint32_t>(frame.size));
        tag.append(static_cast<char>(frame.flags >> 8));
        tag.append(static_cast<char>(frame.flags & 0xFF));
        tag.append(frame.data);
    }
    tag.append(fill, '\0');
    return tag;
}

std::uint32_t decodeSyncsafe(QByteArrayView bytes) {
    if (bytes.size() != 4) {
        return 0;
    }
    const auto b = [&](int i) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i]) & 0x7F);
    };
    return b(0) << 21 | b(1) << 14 | b(2) << 7 | b(3);
}

QByteArray pictureMimeType(QByteArrayView imageBytes) {
    if (ByteView(imageBytes).matches(0, kPngSignature)) {
        return QByteArrayLiteral("image/png");
    }
    return QByteArrayLiteral("image/jpeg");
}

TagLocation locateTag(QByteArrayView bytes) {
    return locateTag(bytes, bytes.size());
}

TagLocation locateTag(QByteArrayView bytes, qint64 fileSize) {
    const ByteView view(bytes);
    TagLocation location;
    if (view.size() < 11 || fileSize < 11 || !view.matches(0, "ID3")) {
        return location;
    }
    const ByteView sizeBytes = *view.slice(6, 4);
    location.malformedSize = !isSyncsafe(sizeBytes);
    const std::uint64_t declaredEnd = std::uint64_t{decodeSyncsafe(sizeBytes.toView())} + 10;
    const auto available = static_cast<std::uint64_t>(qMax<qint64>(fileSize, 0));
    location.runsPastEnd = declaredEnd > available;
    location.end = std::min<std::uint64_t>(declaredEnd, available);
    // A version 2.4 footer repeats the header behind the tag; it belongs to the tag, not to the audio.
    if (!location.runsPastEnd && *view.u8(3) == 4 && (*view.u8(5) & kHeaderFooter) &&
        view.matches(declaredEnd, "3DI") && view.has(declaredEnd, 10)) {
        location.end = declaredEnd + 10;
    }
    return location;
}

qint64 headBytesToRead(QByteArrayView firstTen) {
    const ByteView view(firstTen);
    if (view.size() < 10 || !view.matches(0, "ID3")) {
        return 11; // enough to tell that there is no tag
    }
    // The size field as written, syncsafe or not, and room for a footer.
    return qint64{decodeSyncsafe(view.slice(6, 4)->toView())} + 20;
}

std::uint64_t tagEnd(QByteArrayView bytes, bool* runsPastEnd) {
    const TagLocation location = locateTag(bytes);
    if (runsPastEnd) {
        *runsPastEnd = location.runsPastEnd;
    }
    return location.end;
}

void forEachFrame(QByteArrayView tagBytes, const FrameVisitor& visit, int* major) {
    TagBody tag;
    if (!openTag(ByteView(tagBytes), tag)) {
        return;
    }
    if (major) {
        *major = tag.major;
    }
    walkFrames(tag, [&](const RawFrame& frame) {
        if (frame.body.empty()) {
            return true;
        }
        const std::optional<QByteArray> content = frameContent(tag, frame);
        return !content || visit(frame.id, ByteView(*content));
    });
}

std::optional<int> readRating(QByteArrayView fileBytes) {
    const TagLocation location = locateTag(fileBytes);
    if (location.end == 0) {
        return std::nullopt;
    }
    std::optional<int> stars;
    forEachFrame(fileBytes.first(static_cast<qsizetype>(location.end)),
                 [&](QByteArrayView id, ByteView content) {
                     if (id == "POPM") {
                         stars = rating::starsFromPopmBody(content);
                     } else if (id == "TXXX") {
                         // Only the numeric rating: this read stands in when the other rating rules found
                         // none.
                         const std::optional<rating::UserText> text = rating::userTextOf(content);
                         if (text && text->description == QLatin1String("RATING_NUMERIC")) {
                             if (const std::optional<qint64> value = rating::starsFromUserText(*text)) {
                                 stars = static_cast<int>(*value);
                             }
                         }
                     }
                     return !stars;
                 });
    return stars;
}

FrameList managedFrames(const TagValues& values, const std::optional<QByteArray>& coverBytes) {
    FrameList frames;
    const auto setText = [&](const char* id, const std::optional<QString>& text) {
        if (text && !text->isEmpty()) {
            frames = setTextFrame(std::move(frames), QByteArray(id), *text);
        }
    };
    setText("TIT2", values.title);
    setText("TPE1", values.artist);
    setText("TALB", values.album);
    if (values.year && *values.year >= 1900 && *values.year <= 2099) {
        setText("TYER", QString::asprintf("%04d", static_cast<int>(*values.year)));
    }
    setText("TCON", values.genre);
    if (coverBytes && !coverBytes->isEmpty() && !values.keepPictures) {
        frames.append(makePictureFrame(*coverBytes, pictureMimeType(*coverBytes)));
    }
    if (values.rating && *values.rating >= 1) {
        // Ratings are whole stars up to 5; a larger value must not wrap the one-byte POPM field.
        frames = setRatingFrames(std::move(frames), std::min<qint64>(*values.rating, 5));
    }
    return frames;
}

FrameList keptFrames(QByteArrayView oldTag, bool albumGiven, bool keepPictures) {
    TagBody tag;
    if (!openTag(ByteView(oldTag), tag)) {
        return {};
    }
    // A version 2.4 tag flagged as unsynchronised has every frame unsynchronised; those are dropped.
    if (tag.major == 4 && (tag.flags & kHeaderUnsynchronised)) {
        return {};
    }
    FrameList kept;
    walkFrames(tag, [&](const RawFrame& raw) {
        // An empty frame carries nothing (and version 2.3 forbids it).
        if (raw.body.empty()) {
            return true;
        }
        std::uint16_t flags = raw.flags;
        if (tag.major == 4) {
            if (flags & (kV4Compressed | kV4Encrypted | kV4Unsynchronised | kV4DataLengthIndicator)) {
                return true;
            }
            flags = v3FlagsFromV4(flags);
        }
        if (!(keepPictures && raw.id == "APIC") && isManaged(raw.id, tag, raw, albumGiven)) {
            return true;
        }
        if (startsWithTextEncoding(raw.id)) {
            // The encoding byte follows the grouping byte, if any; compressed and encrypted frames of
            // version 2.3 cannot be checked and are carried over as they are.
            const bool readable = tag.major == 4 || !(raw.flags & (kV3Compressed | kV3Encrypted));
            const bool grouped = raw.flags & (tag.major == 4 ? kV4Grouped : kV3Grouped);
            const auto encoding = raw.body.u8(grouped ? 1 : 0);
            if (readable && encoding && *encoding > 3) {
                return true; // no such text encoding: the frame cannot be read
            }
        }
        QByteArray data = raw.body.toByteArray();
        const qint64 size = data.size();
        kept.append(ID3Frame{raw.id.toByteArray(), size, flags, std::move(data)});
        return true;
    });
    return kept;
}

} // namespace quirella::id3
