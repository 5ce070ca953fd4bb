// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XiphFiles.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

namespace quirella::test::xiph {

namespace {

TagLib::String utf8(const QByteArray& bytes) {
    return TagLib::String(bytes.constData(), TagLib::String::UTF8);
}

TagLib::FLAC::Picture* pictureFor(const TestPicture& picture) {
    auto* made = new TagLib::FLAC::Picture;
    made->setType(static_cast<TagLib::FLAC::Picture::Type>(picture.type));
    made->setMimeType(utf8(picture.mimeType));
    made->setData(
        TagLib::ByteVector(picture.data.constData(), static_cast<unsigned int>(picture.data.size())));
    return made;
}

void addComments(TagLib::Ogg::XiphComment& tag, const QList<std::pair<QByteArray, QByteArray>>& comments) {
    for (const auto& [name, value] : comments) {
        tag.addField(utf8(name), utf8(value), false);
    }
}

template <typename OggFile>
bool tagOgg(const QByteArray& path, const QList<std::pair<QByteArray, QByteArray>>& comments,
            const QList<TestPicture>& pictures) {
    OggFile file(path.constData());
    addComments(*file.tag(), comments);
    for (const TestPicture& picture : pictures) {
        file.tag()->addPicture(pictureFor(picture));
    }
    return file.save();
}

quint32 be32(const QByteArray& bytes, qsizetype at) {
    const auto b = [&](qsizetype i) { return quint32(quint8(bytes.at(at + i))); };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

quint32 le32(const QByteArray& bytes, qsizetype at) {
    const auto b = [&](qsizetype i) { return quint32(quint8(bytes.at(at + i))); };
    return b(3) << 24 | b(2) << 16 | b(1) << 8 | b(0);
}

// A picture record, and the size it declares; one that does not parse comes back whole as the data of a
// picture of type -1.
TestPicture pictureOf(const QByteArray& body, Parts& parts) {
    parts.pictureSizes.append(QSize());
    const auto fits = [&](qint64 at, qint64 count) {
        return at >= 0 && count >= 0 && at + count <= body.size();
    };
    if (!fits(0, 8) || !fits(8 + be32(body, 4), 4)) {
        return {-1, {}, body};
    }
    const qint64 mime = be32(body, 4);
    const qint64 description = be32(body, 8 + mime);
    const qint64 data = 8 + mime + 4 + description + 16;
    if (!fits(data, 4) || !fits(data + 4, be32(body, data))) {
        return {-1, {}, body};
    }
    parts.pictureSizes.last() = QSize(int(be32(body, data - 16)), int(be32(body, data - 12)));
    return {int(be32(body, 0)), body.mid(8, mime), body.mid(data + 4, be32(body, data))};
}

// The vendor and the comments of a list that starts at `at`.
void readComments(const QByteArray& bytes, qsizetype at, Parts& parts) {
    const quint32 vendor = le32(bytes, at);
    parts.vendor = bytes.mid(at + 4, vendor);
    at += 4 + vendor;
    const quint32 count = le32(bytes, at);
    at += 4;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 length = le32(bytes, at);
        const QByteArray comment = bytes.mid(at + 4, length);
        at += 4 + length;
        if (comment.toUpper().startsWith("METADATA_BLOCK_PICTURE=")) {
            parts.pictures.append(pictureOf(QByteArray::fromBase64(comment.mid(23)), parts));
        } else {
            parts.comments.append(comment);
        }
    }
}

Parts flacParts(const QByteArray& file) {
    Parts parts;
    qsizetype at = 4;
    for (bool last = false; !last && at + 4 <= file.size();) {
        last = file.at(at) & 0x80;
        const int type = file.at(at) & 0x7F;
        const qsizetype length = qsizetype(be32(file, at) & 0xFFFFFF);
        const QByteArray body = file.mid(at + 4, length);
        if (type == 4) {
            readComments(body, 0, parts);
        } else if (type == 6) {
            parts.pictures.append(pictureOf(body, parts));
        }
        at += 4 + length;
    }
    parts.audio = file.mid(at);
    parts.ok = file.startsWith("fLaC");
    return parts;
}

Parts oggParts(const QByteArray& file) {
    QList<QByteArray> packets;
    QByteArray packet;
    for (qsizetype at = 0; at + 27 <= file.size() && file.mid(at, 4) == "OggS";) {
        const int segments = quint8(file.at(at + 26));
        qsizetype body = at + 27 + segments;
        for (int i = 0; i < segments; ++i) {
            const int length = quint8(file.at(at + 27 + i));
            packet.append(file.mid(body, length));
            body += length;
            if (length < 255) {
                packets.append(std::exchange(packet, {}));
            }
        }
        at = body;
    }
    Parts parts;
    const bool vorbis = !packets.isEmpty() && packets.first().startsWith("\x01vorbis");
    const qsizetype headers = vorbis ? 3 : 2;
    if (packets.size() < headers) {
        return parts;
    }
    readComments(packets.at(1), vorbis ? 7 : 8, parts);
    for (qsizetype i = headers; i < packets.size(); ++i) {
        parts.audio.append(packets.at(i));
    }
    parts.ok = true;
    return parts;
}

} // namespace

QString taggedFile(const ScratchDir& dir, const QString& name,
                   const QList<std::pair<QByteArray, QByteArray>>& comments,
                   const QList<TestPicture>& pictures) {
    const QString extension = QFileInfo(name).suffix();
    const QString path = dir.write(name, dataFile(QStringLiteral("xiph-tone.") + extension));
    const QByteArray native = QFile::encodeName(path);
    bool saved = false;
    if (extension == u"flac") {
        TagLib::FLAC::File file(native.constData());
        addComments(*file.xiphComment(true), comments);
        for (const TestPicture& picture : pictures) {
            file.addPicture(pictureFor(picture));
        }
        saved = file.save();
    } else if (extension == u"opus") {
        saved = tagOgg<TagLib::Ogg::Opus::File>(native, comments, pictures);
    } else {
        saved = tagOgg<TagLib::Ogg::Vorbis::File>(native, comments, pictures);
    }
    return saved ? path : QString();
}

namespace {

// Every page of an Ogg file, changed by `change(page, index)` (its header included), with its checksum
// renewed.
template <typename Change>
QByteArray eachPage(QByteArray file, Change&& change) {
    int index = 0;
    for (qsizetype at = 0; at + 27 <= file.size() && file.mid(at, 4) == "OggS"; ++index) {
        const int segments = quint8(file.at(at + 26));
        qsizetype size = 27 + segments;
        for (int i = 0; i < segments; ++i) {
            size += quint8(file.at(at + 27 + i));
        }
        QByteArray page = file.mid(at, size);
        change(page, index);
        page.replace(22, 4, QByteArray(4, '\0'));
        quint32 crc = 0;
        for (const char byte : page) {
            crc ^= quint32(quint8(byte)) << 24;
            for (int bit = 0; bit < 8; ++bit) {
                crc = crc & 0x80000000u ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
            }
        }
        for (int i = 0; i < 4; ++i) {
            page[22 + i] = static_cast<char>(crc >> (8 * i));
        }
        file.replace(at, size, page);
        at += size;
    }
    return file;
}

} // namespace

QByteArray patched(QByteArray file, QByteArrayView from, QByteArrayView to) {
    Q_ASSERT(from.size() == to.size());
    return eachPage(file.replace(from, to), [](QByteArray&, int) {});
}

QByteArray withEmptyFirstPage(const QByteArray& file) {
    // A page of no segments that begins the stream, in front of the identification packet's page.
    const QByteArray empty = "OggS" + QByteArray(1, '\0') + '\x02' + QByteArray(8, '\0') + file.mid(14, 4) +
                             QByteArray(8, '\0') + QByteArray(1, '\0');
    return eachPage(empty + file, [](QByteArray& page, int index) {
        if (index == 1) {
            page[5] = static_cast<char>(page.at(5) & ~0x02);
        }
        page[18] = static_cast<char>(index); // the sequence number of the few pages of a fixture
    });
}

QByteArray withFlacBlock(const QByteArray& file, int type, const QByteArray& body) {
    QByteArray block(1, static_cast<char>(type));
    for (int shift : {16, 8, 0}) {
        block.append(static_cast<char>(body.size() >> shift));
    }
    return QByteArray(file).insert(4 + 4 + 34, block + body);
}

Parts partsOf(const QString& path) {
    const QByteArray file = readAll(path);
    return file.startsWith("fLaC") ? flacParts(file) : oggParts(file);
}

} // namespace quirella::test::xiph
