// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Id3.h"

#include "model/Year.h"
#include "tags/ByteView.h"
#include "tags/Rating.h"

#include <QCoreApplication>
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
constexpr std::uint8_t kV2HeaderCompressed = 0x40;

// Frame flags of version 2.3: status byte (high), encoding byte (low).
constexpr std::uint16_t kV3TagAlterPreservation = 0x8000;
constexpr std::uint16_t kV3FileAlterPreservation = 0x4000;
constexpr std::uint16_t kV3ReadOnly = 0x2000;
constexpr std::uint16_t kV3Compressed = 0x0080;
constexpr std::uint16_t kV3Encrypted = 0x0040;
constexpr std::uint16_t kV3Grouped = 0x0020;
constexpr std::uint16_t kV3StatusFlags = 0xFF00;

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
// A compressed frame larger than this once decompressed is not read (a cover is a few megabytes).
constexpr std::uint32_t kMaxDecompressedFrame = 64u << 20;

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

// `source` is marked with QT_TRANSLATE_NOOP("Id3", ...) where it stands.
QString message(const char* source) {
    return QCoreApplication::translate("Id3", source);
}

bool isFrameIdByte(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isFrameId(ByteView bytes, std::uint64_t offset, std::uint64_t length) {
    const std::optional<ByteView> id = bytes.slice(offset, length);
    return id && std::all_of(id->data(), id->data() + length, isFrameIdByte);
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

QByteArray bigEndian32(std::uint32_t value) {
    QByteArray out;
    appendU32BE(out, value);
    return out;
}

// zlib data that decompresses to `size` bytes, or nothing.
std::optional<QByteArray> decompress(std::uint32_t size, ByteView compressed) {
    if (size > kMaxDecompressedFrame) {
        return std::nullopt;
    }
    // qUncompress takes the expected size as a big-endian prefix.
    QByteArray input = bigEndian32(size) + compressed.toByteArray();
    QByteArray output = qUncompress(input);
    if (output.size() != qsizetype(size)) {
        return std::nullopt;
    }
    return output;
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

// Version 2.2 frame ids and their version 2.3 names.
struct V2Name {
    QByteArrayView v2;
    QByteArrayView v3;
};
constexpr V2Name kV2Names[] = {
    {"BUF", "RBUF"},
    {"CNT", "PCNT"},
    {"COM", "COMM"},
    {"CRA", "AENC"},
    {"EQU", "EQUA"},
    {"ETC", "ETCO"},
    {"GEO", "GEOB"},
    {"IPL", "IPLS"},
    {"MCI", "MCDI"},
    {"MLL", "MLLT"},
    {"PIC", "APIC"},
    {"POP", "POPM"},
    {"REV", "RVRB"},
    {"RVA", "RVAD"},
    {"SLT", "SYLT"},
    {"STC", "SYTC"},
    {"TAL", "TALB"},
    {"TBP", "TBPM"},
    {"TCM", "TCOM"},
    {"TCO", "TCON"},
    {"TCR", "TCOP"},
    {"TDA", "TDAT"},
    {"TDY", "TDLY"},
    {"TEN", "TENC"},
    {"TFT", "TFLT"},
    {"TIM", "TIME"},
    {"TKE", "TKEY"},
    {"TLA", "TLAN"},
    {"TLE", "TLEN"},
    {"TMT", "TMED"},
    {"TOA", "TOPE"},
    {"TOF", "TOFN"},
    {"TOL", "TOLY"},
    {"TOR", "TORY"},
    {"TOT", "TOAL"},
    {"TP1", "TPE1"},
    {"TP2", "TPE2"},
    {"TP3", "TPE3"},
    {"TP4", "TPE4"},
    {"TPA", "TPOS"},
    {"TPB", "TPUB"},
    {"TRC", "TSRC"},
    {"TRD", "TRDA"},
    {"TRK", "TRCK"},
    {"TSI", "TSIZ"},
    {"TSS", "TSSE"},
    {"TT1", "TIT1"},
    {"TT2", "TIT2"},
    {"TT3", "TIT3"},
    {"TXT", "TEXT"},
    {"TXX", "TXXX"},
    {"TYE", "TYER"},
    {"UFI", "UFID"},
    {"ULT", "USLT"},
    {"WAF", "WOAF"},
    {"WAR", "WOAR"},
    {"WAS", "WOAS"},
    {"WCM", "WCOM"},
    {"WCP", "WCOP"},
    {"WPB", "WPUB"},
    {"WXX", "WXXX"},
    // Frames iTunes wrote into version 2.2 tags.
    {"TCP", "TCMP"},
    {"TST", "TSOT"},
    {"TSA", "TSOA"},
    {"TSP", "TSOP"},
    {"TS2", "TSO2"},
    {"TSC", "TSOC"},
    {"PCS", "PCST"},
    {"TCT", "TCAT"},
    {"TDR", "TDRL"},
    {"TDS", "TDES"},
    {"TID", "TGID"},
    {"WFD", "WFED"},
    {"GP1", "GRP1"},
    {"MVN", "MVNM"},
    {"MVI", "MVIN"},
};

std::optional<QByteArrayView> v3NameOf(QByteArrayView v2) {
    for (const V2Name& name : kV2Names) {
        if (name.v2 == v2) {
            return name.v3;
        }
    }
    return std::nullopt;
}

// A version 2.2 picture names its image format in three characters where 2.3 has a MIME type.
QByteArray apicFromPic(ByteView body) {
    if (body.size() < 5) {
        return body.toByteArray();
    }
    const QByteArray format = body.slice(1, 3)->toByteArray().toUpper();
    QByteArray mime;
    if (format == "JPG") {
        mime = "image/jpeg";
    } else if (format == "-->") {
        mime = "-->"; // a link to the picture, as in version 2.3
    } else {
        mime = "image/" + format.toLower();
    }
    QByteArray out;
    out.append(static_cast<char>(*body.u8(0)));
    out.append(mime);
    out.append('\0');
    out.append(body.from(4).toView());
    return out;
}

// The frame area of a tag: after the header and any extended header, with the whole-tag
// unsynchronisation of versions 2.2 and 2.3 undone (the frame sizes count the bytes as they were).
struct TagBody {
    int major = 0;
    std::uint8_t flags = 0;
    QByteArray undone;
    ByteView frames;
    QString problem;

    TagBody() = default;
    TagBody(const TagBody&) = delete;
    TagBody& operator=(const TagBody&) = delete;
};

bool openTag(ByteView tag, TagBody& body) {
    if (!tag.matches(0, "ID3") || !tag.has(0, 10)) {
        return false;
    }
    body.major = *tag.u8(3);
    body.flags = *tag.u8(5);
    if (body.major < 2 || body.major > 4) {
        body.problem =
            message(QT_TRANSLATE_NOOP("Id3", "The file's ID3 tag has a version this program does not know."));
        return true;
    }
    if (body.major == 2 && (body.flags & kV2HeaderCompressed)) {
        body.problem = message(
            QT_TRANSLATE_NOOP("Id3", "The file's ID3 tag is compressed in a way no program defines."));
        return true;
    }
    const std::uint64_t declared = decodeSyncsafe(tag.slice(6, 4)->toView());
    ByteView area = *tag.slice(10, std::min<std::uint64_t>(declared, tag.size() - 10));
    if (body.major != 4 && (body.flags & kHeaderUnsynchronised)) {
        body.undone = undoUnsynchronisation(area);
        area = ByteView(body.undone);
    }
    if (body.major != 2 && (body.flags & kHeaderExtended)) {
        std::uint64_t skip = 0;
        if (body.major == 3) {
            const auto size = area.u32BE(0); // excludes its own four bytes
            skip = size ? std::uint64_t{*size} + 4 : 0;
        } else {
            const auto sizeBytes = area.slice(0, 4);
            skip = sizeBytes && isSyncsafe(*sizeBytes) ? decodeSyncsafe(sizeBytes->toView()) : 0;
            skip = skip < 6 ? 0 : skip; // includes its own four bytes
        }
        if (skip == 0 || !area.has(0, skip)) {
            body.problem =
                message(QT_TRANSLATE_NOOP("Id3", "The extended header of the file's ID3 tag is damaged."));
            return true;
        }
        area = area.from(skip);
    }
    body.frames = area;
    return true;
}

// The size of the 2.4 frame at `p`: syncsafe as the version says, unless that leads nowhere while the
// plain reading some players wrote leads to the next frame.
std::uint64_t v4FrameSize(ByteView area, std::uint64_t p) {
    const ByteView sizeBytes = *area.slice(p + 4, 4);
    const std::uint64_t plain = *area.u32BE(p + 4);
    if (!isSyncsafe(sizeBytes)) {
        return plain;
    }
    const std::uint64_t syncsafe = decodeSyncsafe(sizeBytes.toView());
    if (syncsafe > 127 && !isFrameId(area, p + 10 + syncsafe, 4) && isFrameId(area, p + 10 + plain, 4)) {
        return plain;
    }
    return syncsafe;
}

std::uint16_t v3StatusFromV4(std::uint16_t flags) {
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
    return out;
}

// A frame of version 2.3 as stored, and what it says.
Frame v3Frame(QByteArrayView id, std::uint16_t flags, ByteView body) {
    Frame frame{{id.toByteArray(), qint64(body.size()), flags, body.toByteArray()}, std::nullopt};
    std::uint64_t skip = 0;
    std::optional<std::uint32_t> decompressedSize;
    if (flags & kV3Compressed) {
        decompressedSize = body.u32BE(0);
        skip += 4;
    }
    if (flags & kV3Encrypted) {
        return frame;
    }
    if (flags & kV3Grouped) {
        skip += 1;
    }
    if (!body.has(0, skip)) {
        return frame;
    }
    if (decompressedSize) {
        frame.content = decompress(*decompressedSize, body.from(skip));
    } else {
        frame.content = body.from(skip).toByteArray();
    }
    return frame;
}

// A text body in UTF-16 with a byte order mark (encoding 1); the zero bytes that separate several texts
// in UTF-8 separate them here too.
QByteArray utf16TextBody(const QString& text) {
    QByteArray body("\x01");
    const QStringList fields = text.split(QChar(0));
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            body.append(2, '\0');
        }
        body.append("\xFF\xFE", 2);
        for (const QChar c : fields.at(i)) {
            body.append(static_cast<char>(c.unicode() & 0xFF));
            body.append(static_cast<char>(c.unicode() >> 8));
        }
    }
    return body;
}

// A frame of version 2.4 in version 2.3 form: the extra bytes its format flags announce (group, encryption
// method, data length) are laid out as 2.3 orders them, unsynchronisation is undone.
std::optional<Frame> v4Frame(QByteArrayView id, std::uint16_t flags, ByteView body, bool tagUnsynchronised,
                             QString& problem) {
    std::uint64_t p = 0;
    std::optional<std::uint8_t> group;
    std::optional<std::uint8_t> method;
    std::optional<std::uint32_t> dataLength;
    if (flags & kV4Grouped) {
        group = body.u8(p++);
    }
    if (flags & kV4Encrypted) {
        method = body.u8(p++);
    }
    if (flags & kV4DataLengthIndicator) {
        const std::optional<ByteView> length = body.slice(p, 4);
        if (length) {
            dataLength = decodeSyncsafe(length->toView());
        }
        p += 4;
    }
    if (!body.has(0, p) || ((flags & kV4Grouped) && !group) || ((flags & kV4Encrypted) && !method)) {
        return std::nullopt; // too short for what its flags announce
    }
    const bool unsynchronised = (flags & kV4Unsynchronised) || tagUnsynchronised;
    const QByteArray data = unsynchronised ? undoUnsynchronisation(body.from(p)) : body.from(p).toByteArray();
    if (data.isEmpty()) {
        return std::nullopt; // only the bytes its flags announce: it carries nothing
    }
    const bool compressed = flags & kV4Compressed;
    if (compressed && !dataLength) {
        problem = message(QT_TRANSLATE_NOOP(
            "Id3", "A compressed frame of the file's ID3 tag does not say how long it is."));
        return std::nullopt;
    }
    // A genre in UTF-8, which only version 2.4 defines, is read as written in a 2.3 tag of ours; in UTF-16
    // it keeps the meaning it had (genre references read as names).
    const QByteArray text = id == "TCON" && !compressed && !method && data.startsWith('\x03')
                                ? utf16TextBody(QString::fromUtf8(QByteArrayView(data).sliced(1)))
                                : data;
    std::uint16_t v3Flags = v3StatusFromV4(flags);
    QByteArray stored;
    if (compressed) {
        v3Flags |= kV3Compressed;
        stored.append(bigEndian32(*dataLength));
    }
    if (method) {
        v3Flags |= kV3Encrypted;
        stored.append(static_cast<char>(*method));
    }
    if (group) {
        v3Flags |= kV3Grouped;
        stored.append(static_cast<char>(*group));
    }
    stored.append(text);
    Frame frame{{id.toByteArray(), qint64(stored.size()), v3Flags, stored}, std::nullopt};
    if (!method) {
        frame.content =
            compressed ? decompress(*dataLength, ByteView(data)) : std::optional<QByteArray>(data);
    }
    return frame;
}

// A text frame whose encoding byte names no encoding cannot be read, by us or by anyone.
bool hasUnknownTextEncoding(const Frame& frame) {
    return frame.content && startsWithTextEncoding(frame.stored.id) && !frame.content->isEmpty() &&
           static_cast<std::uint8_t>(frame.content->at(0)) > 3;
}

void walkFrames(const TagBody& body, Tag& tag) {
    const ByteView area = body.frames;
    const bool v2 = body.major == 2;
    const std::uint64_t headerSize = v2 ? 6 : 10;
    const std::uint64_t idSize = v2 ? 3 : 4;
    std::uint64_t p = 0;
    for (int count = 0; count < kMaxFrames && area.has(p, headerSize); ++count) {
        if (!isFrameId(area, p, idSize)) {
            return; // padding, or something no reader takes for a frame
        }
        const QByteArrayView id = area.slice(p, idSize)->toView();
        std::uint64_t size = 0;
        if (v2) {
            size =
                std::uint64_t{*area.u8(p + 3)} << 16 | std::uint64_t{*area.u8(p + 4)} << 8 | *area.u8(p + 5);
        } else if (body.major == 4) {
            size = v4FrameSize(area, p);
        } else {
            size = *area.u32BE(p + 4);
        }
        const std::uint16_t flags = v2 ? 0 : *area.u16BE(p + 8);
        const std::optional<ByteView> frameBody = area.slice(p + headerSize, size);
        if (!frameBody) {
            return;
        }
        p += headerSize + size;
        if (frameBody->empty()) {
            continue; // carries nothing (and version 2.3 forbids it)
        }
        std::optional<Frame> frame;
        if (v2) {
            const std::optional<QByteArrayView> name = v3NameOf(id);
            if (!name) {
                tag.problem =
                    message(QT_TRANSLATE_NOOP(
                                "Id3", "The file's ID3 tag (version 2.2) has a frame “%1” that cannot be "
                                       "carried into a newer tag."))
                        .arg(QString::fromLatin1(id));
                continue;
            }
            const QByteArray data = *name == "APIC" ? apicFromPic(*frameBody) : frameBody->toByteArray();
            frame = Frame{{name->toByteArray(), qint64(data.size()), 0, data}, data};
        } else if (body.major == 3) {
            frame = v3Frame(id, flags, *frameBody);
        } else {
            frame = v4Frame(id, flags, *frameBody, body.flags & kHeaderUnsynchronised, tag.problem);
        }
        if (frame && !hasUnknownTextEncoding(*frame)) {
            tag.frames.append(std::move(*frame));
        }
    }
}

// ---- Reading fields --------------------------------------------------------------------------------

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

std::optional<QString> genreOf(const Tag& tag) {
    for (const Frame& frame : tag.frames) {
        if (frame.stored.id != "TCON" || !frame.content) {
            continue;
        }
        const std::optional<QStringList> fields = textFields(*frame.content);
        if (!fields) {
            continue;
        }
        if (tag.major == 3 && frame.content->startsWith('\x03')) {
            return fields->join(u' ');
        }
        QStringList parts;
        for (const QString& field : *fields) {
            appendGenreField(field, parts);
        }
        return parts.join(u' ');
    }
    return std::nullopt;
}

// The text of the first frame with `id` that holds any, its texts joined.
QString firstText(const Tag& tag, QByteArrayView id) {
    for (const Frame& frame : tag.frames) {
        if (frame.stored.id == id && frame.content) {
            const std::optional<QStringList> fields = textFields(*frame.content);
            if (fields) {
                const QString text = fields->join(QStringLiteral("; "));
                if (!text.isEmpty()) {
                    return text;
                }
            }
        }
    }
    return {};
}

int yearOf(const Tag& tag, std::initializer_list<QByteArrayView> ids) {
    for (const Frame& frame : tag.frames) {
        if (!frame.content || std::find(ids.begin(), ids.end(), frame.stored.id) == ids.end()) {
            continue;
        }
        if (const std::optional<QStringList> fields = textFields(*frame.content)) {
            if (const std::optional<int> year = extractYear(fields->join(u' '))) {
                return *year;
            }
        }
    }
    return 0;
}

// The whole tempo of a TBPM text ("120", "119.6"); 0 when it holds none.
int tempoOf(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && value >= 1 && value < 10000 ? int(value + 0.5) : 0;
}

// The stars a rating frame gives, or nothing. `numericOnly`: only POPM and "RATING_NUMERIC" count.
std::optional<int> ratingOfFrame(const Frame& frame, bool numericOnly) {
    if (!frame.content) {
        return std::nullopt;
    }
    if (frame.stored.id == "POPM") {
        return rating::starsFromPopmBody(ByteView(*frame.content));
    }
    if (frame.stored.id != "TXXX") {
        return std::nullopt;
    }
    const std::optional<rating::UserText> text = rating::userTextOf(ByteView(*frame.content));
    if (!text || (numericOnly && text->description != QLatin1String("RATING_NUMERIC"))) {
        return std::nullopt;
    }
    const std::optional<qint64> stars = rating::starsFromUserText(*text);
    return stars ? std::optional<int>(int(*stars)) : std::nullopt;
}

// Picture type of an APIC content (encoding, MIME type ending in 0x00, type), or nothing.
std::optional<std::uint8_t> pictureType(const QByteArray& content) {
    const ByteView view(content);
    const auto mimeEnd = view.find(0x00, 1);
    if (!mimeEnd) {
        return std::nullopt;
    }
    return view.u8(*mimeEnd + 1);
}

// ---- Writing ----------------------------------------------------------------------------------------

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

bool isOwnPopm(const QByteArray& content) {
    const QByteArrayView email = QByteArrayView(content).first(std::max<qsizetype>(content.indexOf('\0'), 0));
    return email == kPopmIdentifierPlain || email == kPopmIdentifierItunes || email == kPopmIdentifierOwn;
}

// A TXXX whose description is UTF-16 (encodings 1 and 2) and names a rating. Other taggers store
// "RATING" this way; leaving such a frame behind would let an old rating override the new one when the
// file is read again.
bool isUtf16RatingText(const QByteArray& content) {
    const std::optional<QStringList> fields =
        content.startsWith('\x01') || content.startsWith('\x02') ? textFields(content) : std::nullopt;
    return fields && !fields->isEmpty() && rating::isRatingDescription(fields->first());
}

bool isYearFrame(QByteArrayView id) {
    return id == "TYER" || id == "TDRC" || id == "TDRL" || id == "TDAT" || id == "TIME";
}

// Whether a given field of `values` replaces this old frame.
bool isReplaced(const Frame& frame, qsizetype index, qsizetype shownPicture, const TagValues& values,
                bool coverReplaced) {
    const QByteArray& id = frame.stored.id;
    return (values.title && id == "TIT2") || (values.artist && id == "TPE1") ||
           (values.album && id == "TALB") || (values.year && isYearFrame(id)) ||
           (values.genre && id == "TCON") || (coverReplaced && index == shownPicture) ||
           (values.albumArtist && id == "TPE2") || (values.track && id == "TRCK") ||
           (values.disc && id == "TPOS") || (values.bpm && id == "TBPM") ||
           (values.rating && (id == "TXXX" || (id == "POPM" && frame.content && isOwnPopm(*frame.content))) &&
            isRatingFrame(ID3Frame{id, 0, 0, frame.content.value_or(QByteArray())}));
}

} // namespace

std::optional<Tag> parseTag(QByteArrayView bytes) {
    TagBody body;
    if (!openTag(ByteView(bytes), body)) {
        return std::nullopt;
    }
    Tag tag;
    tag.major = body.major;
    tag.problem = body.problem;
    if (tag.problem.isEmpty()) {
        walkFrames(body, tag);
    }
    return tag;
}

Shown shownValues(const Tag& tag) {
    Shown shown;
    StoredTags& values = shown.values;
    values.title = firstText(tag, "TIT2");
    values.artist = firstText(tag, "TPE1");
    values.album = firstText(tag, "TALB");
    values.year = yearOf(tag, {"TDRC", "TYER"});
    if (values.year == 0) {
        values.year = yearOf(tag, {"TDRL"});
    }
    values.genre = genreOf(tag).value_or(QString());
    values.albumArtist = firstText(tag, "TPE2");
    values.track = storedNumberPair(firstText(tag, "TRCK"));
    values.disc = storedNumberPair(firstText(tag, "TPOS"));
    values.bpm = tempoOf(firstText(tag, "TBPM"));
    qsizetype other = -1;
    for (qsizetype i = 0; i < tag.frames.size(); ++i) {
        const Frame& frame = tag.frames.at(i);
        if (const std::optional<int> stars = ratingOfFrame(frame, false)) {
            values.rating = *stars;
        }
        if (!shown.firstRating) {
            shown.firstRating = ratingOfFrame(frame, true);
        }
        if (frame.stored.id == "APIC" && frame.content && shown.picture < 0) {
            const std::optional<std::uint8_t> type = pictureType(*frame.content);
            if (type == 0x03 && pictureData(ByteView(*frame.content))) {
                shown.picture = i;
            } else if (type == 0x00 && other < 0 && pictureData(ByteView(*frame.content))) {
                other = i;
            }
        }
    }
    if (shown.picture < 0) {
        shown.picture = other;
    }
    if (shown.picture >= 0) {
        values.cover = pictureData(ByteView(*tag.frames.at(shown.picture).content));
    }
    return shown;
}

std::optional<QString> genreOfTag(QByteArrayView bytes) {
    const std::optional<Tag> tag = parseTag(bytes);
    return tag ? genreOf(*tag) : std::nullopt;
}

std::optional<int> readRating(QByteArrayView fileBytes) {
    const TagLocation location = locateTag(fileBytes);
    if (location.end == 0) {
        return std::nullopt;
    }
    const std::optional<Tag> tag = parseTag(fileBytes.first(static_cast<qsizetype>(location.end)));
    return tag ? shownValues(*tag).firstRating : std::nullopt;
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
    if (values.year && isValidYear(*values.year)) {
        setText("TYER", QString::asprintf("%04d", static_cast<int>(*values.year)));
    }
    setText("TCON", values.genre);
    if (coverBytes && !coverBytes->isEmpty()) {
        frames.append(makePictureFrame(*coverBytes, pictureMimeType(*coverBytes)));
    }
    if (values.rating && *values.rating >= 1) {
        // Ratings are whole stars up to 5; a larger value must not wrap the one-byte POPM field.
        const std::uint8_t byte = rating::popmByte(std::min<qint64>(*values.rating, rating::kMaxStars));
        frames.append(makePopmFrame(kPopmIdentifierPlain, byte));
        frames.append(makePopmFrame(kPopmIdentifierItunes, byte));
        frames.append(makePopmFrame(kPopmIdentifierOwn, byte));
        QByteArray body("\x03RATING_NUMERIC");
        body.append('\0');
        body.append(QByteArray::number(std::clamp<qint64>(*values.rating, 0, rating::kMaxStars)));
        frames.append(makeFrame(QByteArrayLiteral("TXXX"), std::move(body)));
    }
    setText("TPE2", values.albumArtist);
    if (values.track) {
        setText("TRCK", numberPairText(*values.track));
    }
    if (values.disc) {
        setText("TPOS", numberPairText(*values.disc));
    }
    if (values.bpm && *values.bpm > 0) {
        setText("TBPM", QString::number(*values.bpm));
    }
    return frames;
}

TagResult<FrameList> rewrittenFrames(const std::optional<Tag>& old, const TagValues& values,
                                     const std::optional<QByteArray>& coverBytes) {
    if (old && !old->problem.isEmpty()) {
        return TagResult<FrameList>::failure(TagStatus::failure(
            TagError::notValidFormat,
            old->problem + u' ' + message(QT_TRANSLATE_NOOP("Id3", "The file was left unchanged."))));
    }
    // A cover that could not be converted changes nothing; empty bytes remove the shown picture.
    const bool coverReplaced = values.coverImage && (values.coverImage->isEmpty() || coverBytes);
    FrameList frames = managedFrames(values, coverReplaced ? coverBytes : std::nullopt);
    if (!old) {
        return TagResult<FrameList>::success(std::move(frames));
    }
    const qsizetype shownPicture = shownValues(*old).picture;
    for (qsizetype i = 0; i < old->frames.size(); ++i) {
        const Frame& frame = old->frames.at(i);
        if (isReplaced(frame, i, shownPicture, values, coverReplaced)) {
            continue;
        }
        ID3Frame kept = frame.stored;
        // Another program's popularimeter keeps its e-mail and play counter; only its rating follows ours.
        // It is stored plainly then, so that a compressed or grouped one cannot keep its old rating.
        if (values.rating && kept.id == "POPM" && frame.content) {
            const qsizetype emailEnd = frame.content->indexOf('\0');
            if (emailEnd >= 0 && emailEnd + 1 < frame.content->size()) {
                kept.data = *frame.content;
                kept.data[emailEnd + 1] = static_cast<char>(rating::popmByte(*values.rating));
                kept.size = kept.data.size();
                kept.flags &= kV3StatusFlags;
            }
        }
        frames.append(std::move(kept));
    }
    return TagResult<FrameList>::success(std::move(frames));
}

FrameList setTextFrame(FrameList frames, const QByteArray& id, const QString& text) {
    frames.removeIf([&](const ID3Frame& frame) { return frame.id == id; });
    frames.append(makeFrame(id, textBody(text)));
    return frames;
}

bool isRatingFrame(const ID3Frame& frame) {
    if (frame.id == "POPM") {
        return true;
    }
    if (frame.id != "TXXX") {
        return false;
    }
    if (isUtf16RatingText(frame.data)) {
        return true;
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

std::optional<QByteArray> pictureData(ByteView body) {
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

} // namespace quirella::id3
