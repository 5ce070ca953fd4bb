// Small WAV files and ID3 tags built byte by byte for the WAV tests, independent of the code under test.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstddef>
#include <utility>

namespace quirella::test::wavfiles {

// A literal with its embedded zero bytes, without the terminating one.
template <std::size_t N>
QByteArray raw(const char (&literal)[N]) {
    return QByteArray(literal, static_cast<qsizetype>(N - 1));
}

inline QByteArray le32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(value >> (8 * i));
    }
    return out;
}

inline QByteArray be32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(value >> (8 * (3 - i)));
    }
    return out;
}

inline QByteArray syncsafe(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>((value >> (7 * (3 - i))) & 0x7F);
    }
    return out;
}

// id, little-endian size, payload, and `pad` after an odd payload.
inline QByteArray chunk(QByteArrayView id, QByteArrayView payload, char pad = '\0') {
    QByteArray out = id.toByteArray() + le32(static_cast<quint32>(payload.size())) + payload.toByteArray();
    if (payload.size() % 2 != 0) {
        out.append(pad);
    }
    return out;
}

// A chunk header that claims `size` bytes, followed by whatever `payload` there really is.
inline QByteArray chunkClaiming(QByteArrayView id, quint32 size, QByteArrayView payload) {
    return id.toByteArray() + le32(size) + payload.toByteArray();
}

// 16-byte PCM format: stereo, 44,100 Hz, 16 bits.
inline QByteArray pcmFormat() {
    QByteArray fmt;
    fmt += QByteArray::fromHex("0100"); // PCM
    fmt += QByteArray::fromHex("0200"); // channels
    fmt += le32(44100);
    fmt += le32(44100 * 4);
    fmt += QByteArray::fromHex("0400"); // block align
    fmt += QByteArray::fromHex("1000"); // bits per sample
    return fmt;
}

inline QByteArray samples(int count = 400) {
    QByteArray out(count, '\0');
    for (int i = 0; i < count; ++i) {
        out[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    }
    return out;
}

// "RIFF", the size of what follows, "WAVE", then the chunks as given.
inline QByteArray riffFile(QByteArrayView chunks) {
    return QByteArrayLiteral("RIFF") + le32(static_cast<quint32>(chunks.size() + 4)) +
           QByteArrayLiteral("WAVE") + chunks.toByteArray();
}

// "fmt " and "data", then `extra` chunks.
inline QByteArray simpleWav(QByteArrayView extra = {}) {
    return riffFile(chunk("fmt ", pcmFormat()) + chunk("data", samples()) + extra.toByteArray());
}

// An INFO list of Latin-1 texts, each with a terminating zero and the even-length padding.
inline QByteArray infoList(const QList<std::pair<QByteArray, QByteArray>>& fields) {
    QByteArray payload = QByteArrayLiteral("INFO");
    for (const auto& [id, text] : fields) {
        payload += chunk(id, text + '\0');
    }
    return chunk("LIST", payload);
}

inline QByteArray id3Frame(QByteArrayView id, QByteArrayView body, int major = 3) {
    const auto size = static_cast<quint32>(body.size());
    return id.toByteArray() + (major == 4 ? syncsafe(size) : be32(size)) + QByteArray(2, '\0') +
           body.toByteArray();
}

inline QByteArray id3Tag(QByteArrayView frames, int major = 3, char flags = 0) {
    return QByteArrayLiteral("ID3") + static_cast<char>(major) + '\0' + flags +
           syncsafe(static_cast<quint32>(frames.size())) + frames.toByteArray();
}

inline QByteArray popmBody(quint8 rating) {
    return QByteArrayLiteral("no@email") + '\0' + static_cast<char>(rating) + QByteArray(4, '\0');
}

inline QByteArray apicBody(QByteArrayView image, char encoding = 0, QByteArrayView description = {}) {
    QByteArray body =
        QByteArray(1, encoding) + QByteArrayLiteral("image/jpeg") + '\0' + '\x03' + description.toByteArray();
    body += (encoding == 1 || encoding == 2) ? QByteArray(2, '\0') : QByteArray(1, '\0');
    return body + image.toByteArray();
}

inline QByteArray textBody(const QString& text) {
    return QByteArray(1, '\x03') + text.toUtf8();
}

struct Piece {
    QByteArray id;
    QByteArray payload;
};

// The chunks of a RIFF/WAVE file, walked to the end of the bytes; pad bytes are skipped.
inline QList<Piece> chunksOf(const QByteArray& file) {
    QList<Piece> pieces;
    qsizetype position = 12;
    while (file.size() - position >= 8) {
        const QByteArray header = file.mid(position, 8);
        const auto size =
            static_cast<quint32>(static_cast<quint8>(header[4]) | static_cast<quint8>(header[5]) << 8 |
                                 static_cast<quint8>(header[6]) << 16 |
                                 static_cast<quint32>(static_cast<quint8>(header[7])) << 24);
        pieces.append({header.left(4), file.mid(position + 8, size)});
        position += 8 + static_cast<qsizetype>(size) + (size & 1);
    }
    return pieces;
}

// The sub-chunks of an INFO list payload (starting with "INFO").
inline QList<Piece> infoFieldsOf(const QByteArray& listPayload) {
    return chunksOf(QByteArray(8, '\0') + listPayload);
}

// The frames of an ID3v2.3 tag (plain 32-bit frame sizes), up to zero fill or the end.
inline QList<Piece> id3FramesOf(const QByteArray& tag) {
    QList<Piece> frames;
    qsizetype position = 10;
    while (tag.size() - position >= 10 && tag[position] != '\0') {
        const auto size = static_cast<qsizetype>(
            static_cast<quint32>(static_cast<quint8>(tag[position + 4])) << 24 |
            static_cast<quint8>(tag[position + 5]) << 16 | static_cast<quint8>(tag[position + 6]) << 8 |
            static_cast<quint8>(tag[position + 7]));
        frames.append({tag.mid(position, 4), tag.mid(position + 10, size)});
        position += 10 + size;
    }
    return frames;
}

inline QList<QByteArray> idsOf(const QList<Piece>& pieces) {
    QList<QByteArray> ids;
    for (const Piece& piece : pieces) {
        ids.append(piece.id);
    }
    return ids;
}

// The payload of the first piece with `id`, or a null array.
inline QByteArray payloadOf(const QList<Piece>& pieces, QByteArrayView id) {
    for (const Piece& piece : pieces) {
        if (piece.id == id) {
            return piece.payload;
        }
    }
    return {};
}

} // namespace quirella::test::wavfiles
