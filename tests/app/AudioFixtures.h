// Small audio files of every loaded format, built byte by byte or copied from tests/data, for the
// loading, tag-writing and command-line tests. Tags are added by the tests through our writers or
// TagLib, so that each test shows where its tags come from.
#pragma once

#include "support/TestSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <ostream>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

// Readable texts in the failure messages of the tests that include this.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quirella::test::audio {

inline QByteArray be32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(value >> (8 * (3 - i)));
    }
    return out;
}

inline QByteArray le32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<char>(value >> (8 * i));
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

// MPEG-1 Layer III frames, 128 kbit/s, 44.1 kHz: 417 bytes each, about 26 ms.
inline QByteArray mp3Audio(int frames = 8) {
    QByteArray audio;
    for (int i = 0; i < frames; ++i) {
        audio.append("\xFF\xFB\x90\x64", 4);
        audio.append(QByteArray(413, static_cast<char>(i)));
    }
    return audio;
}

// An ID3v2 tag of version `major` (3 or 4) around frames given as (id, body).
inline QByteArray id3Tag(int major, const QList<std::pair<QByteArray, QByteArray>>& frames) {
    QByteArray body;
    for (const auto& [id, frameBody] : frames) {
        const auto size = static_cast<quint32>(frameBody.size());
        body += id + (major == 4 ? syncsafe(size) : be32(size)) + QByteArray(2, '\0') + frameBody;
    }
    return QByteArrayLiteral("ID3") + static_cast<char>(major) + '\0' + '\0' +
           syncsafe(static_cast<quint32>(body.size())) + body;
}

inline QByteArray textFrame(const QString& text) {
    return QByteArray(1, '\x03') + text.toUtf8();
}
inline QByteArray txxxFrame(const QByteArray& description, const QByteArray& value, char encoding = '\x03') {
    return QByteArray(1, encoding) + description + '\0' + value;
}
inline QByteArray popmFrame(quint8 rating) {
    return QByteArrayLiteral("someone@example.org") + '\0' + static_cast<char>(rating) + QByteArray(4, '\0');
}

// A WAV file with a PCM "fmt " chunk and 0.1 s of mono 8 kHz samples.
inline QByteArray wavFile() {
    QByteArray fmt =
        QByteArray::fromHex("01000100") + le32(8000) + le32(16000) + QByteArray::fromHex("02001000");
    QByteArray data(1600, '\0');
    for (int i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 13);
    }
    const QByteArray chunks =
        "fmt " + le32(16) + fmt + "data" + le32(static_cast<quint32>(data.size())) + data;
    return "RIFF" + le32(static_cast<quint32>(chunks.size() + 4)) + "WAVE" + chunks;
}

// An AIFF file: mono, 16 bits, 8000 Hz, 800 sample frames.
inline QByteArray aiffFile() {
    const QByteArray comm = QByteArray::fromHex("0001") + be32(800) + QByteArray::fromHex("0010") +
                            QByteArray::fromHex("400BFA00000000000000");
    const QByteArray ssnd = QByteArray(8, '\0') + QByteArray(1600, '\x11');
    const QByteArray chunks = "COMM" + be32(static_cast<quint32>(comm.size())) + comm + "SSND" +
                              be32(static_cast<quint32>(ssnd.size())) + ssnd;
    return "FORM" + be32(static_cast<quint32>(chunks.size() + 4)) + "AIFF" + chunks;
}

// The bytes of a file of each format without tags; FLAC and M4A come from tests/data.
inline QByteArray plainFile(const QString& extension) {
    const QString lower = extension.toLower();
    if (lower == QLatin1String("mp3")) {
        return mp3Audio();
    }
    if (lower == QLatin1String("wav")) {
        return wavFile();
    }
    if (lower == QLatin1String("aiff") || lower == QLatin1String("aif")) {
        return aiffFile();
    }
    if (lower == QLatin1String("flac")) {
        return dataFile(QStringLiteral("flac-plain.flac"));
    }
    return dataFile(QStringLiteral("m4a-plain.m4a"));
}

// A picture in an encoded format; different colours give different bytes.
inline QByteArray imageBytes(const QColor& colour, int width = 64, int height = 48,
                             const char* format = "JPEG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    for (int x = 0; x < width; ++x) {
        image.setPixelColor(x, x % height, Qt::white);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Makes a file unwritable while it lives: for root, who ignores permission bits, through the immutable
// attribute; otherwise by clearing the write bits. `active()` is false when neither works.
class Unwritable {
public:
    explicit Unwritable(const QString& path)
        : m_path(path)
        , m_permissions(QFile::permissions(path)) {
        if (::geteuid() == 0) {
            m_immutable = setImmutable(true);
            m_active = m_immutable;
        } else {
            m_active = QFile::setPermissions(path, m_permissions & ~(QFile::WriteOwner | QFile::WriteUser |
                                                                     QFile::WriteGroup | QFile::WriteOther));
        }
    }
    ~Unwritable() {
        if (m_immutable) {
            setImmutable(false);
        } else if (m_active) {
            QFile::setPermissions(m_path, m_permissions);
        }
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool active() const { return m_active; }

private:
    bool setImmutable(bool on) const {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_path;
    QFile::Permissions m_permissions;
    bool m_immutable = false;
    bool m_active = false;
};

} // namespace quirella::test::audio
