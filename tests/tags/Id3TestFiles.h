// Small builders for the MP3, AIFF and ID3v2 bytes the tag tests feed to the writers, and a guard that
// makes a file or folder unwritable even for root.
#pragma once

#include "tags/ByteView.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <cstdint>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quirella::test {

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, no padding: 417 bytes per frame. The payload is a counter so
// that a shifted or cut copy of the audio shows.
inline QByteArray mp3Audio(int frames) {
    QByteArray audio;
    audio.reserve(frames * 417);
    for (int i = 0; i < frames; ++i) {
        audio.append("\xFF\xFB\x90\x64", 4);
        for (int j = 4; j < 417; ++j) {
            audio.append(static_cast<char>((i * 7 + j) % 251));
        }
    }
    return audio;
}

// One ID3v2 frame: id, size (plain for 2.3, syncsafe for 2.4), flags, body.
inline QByteArray syncsafe(std::uint32_t size) {
    QByteArray bytes(4, '\0');
    bytes[0] = static_cast<char>((size >> 21) & 0x7F);
    bytes[1] = static_cast<char>((size >> 14) & 0x7F);
    bytes[2] = static_cast<char>((size >> 7) & 0x7F);
    bytes[3] = static_cast<char>(size & 0x7F);
    return bytes;
}

inline QByteArray rawFrame(int major, const char* id, const QByteArray& body, quint16 flags = 0) {
    QByteArray frame(id, 4);
    if (major == 4) {
        frame.append(syncsafe(static_cast<std::uint32_t>(body.size())));
    } else {
        appendU32BE(frame, static_cast<std::uint32_t>(body.size()));
    }
    frame.append(static_cast<char>(flags >> 8));
    frame.append(static_cast<char>(flags & 0xFF));
    frame.append(body);
    return frame;
}

// A tag header with a syncsafe size followed by `body` (frames, padding, ...).
inline QByteArray rawTag(int major, const QByteArray& body, std::uint8_t flags = 0) {
    QByteArray tag("ID3", 3);
    tag.append(static_cast<char>(major));
    tag.append('\0');
    tag.append(static_cast<char>(flags));
    tag.append(syncsafe(static_cast<std::uint32_t>(body.size())));
    tag.append(body);
    return tag;
}

// Text body: encoding byte then the text as given.
inline QByteArray textBody(const QByteArray& text, char encoding = '\x03') {
    return QByteArray(1, encoding) + text;
}
inline QByteArray txxxBody(const QByteArray& description, const QByteArray& value, char encoding = '\x03') {
    return QByteArray(1, encoding) + description + QByteArray(1, '\0') + value;
}
inline QByteArray apicBody(std::uint8_t type, const QByteArray& image) {
    return QByteArray("\x00image/jpeg\x00", 12) + QByteArray(1, static_cast<char>(type)) +
           QByteArray(1, '\0') + image;
}
inline QByteArray popmBody(const QByteArray& email, std::uint8_t rating) {
    return email + QByteArray(1, '\0') + QByteArray(1, static_cast<char>(rating)) + QByteArray(4, '\0');
}

// An AIFF chunk with its pad byte when the size is odd.
inline QByteArray aiffChunk(const char* id, const QByteArray& payload, char pad = '\0') {
    QByteArray chunk(id, 4);
    appendU32BE(chunk, static_cast<std::uint32_t>(payload.size()));
    chunk.append(payload);
    if (payload.size() & 1) {
        chunk.append(pad);
    }
    return chunk;
}

// Common chunk: 1 channel, `frames` sample frames, 16 bits, 8000 Hz (80-bit extended float).
inline QByteArray aiffComm(std::uint32_t frames) {
    QByteArray payload("\x00\x01", 2);
    appendU32BE(payload, frames);
    payload.append("\x00\x10", 2);
    payload.append("\x40\x0B\xFA\x00\x00\x00\x00\x00\x00\x00", 10);
    return aiffChunk("COMM", payload);
}

// Sound data chunk: offset 0, block size 0, then 16-bit samples.
inline QByteArray aiffSsnd(std::uint32_t frames) {
    QByteArray payload(8, '\0');
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::uint16_t>(i * 977);
        payload.append(static_cast<char>(sample >> 8));
        payload.append(static_cast<char>(sample & 0xFF));
    }
    return aiffChunk("SSND", payload);
}

// A FORM/AIFF file around the given chunks, with a correct FORM size.
inline QByteArray aiffFile(const QList<QByteArray>& chunks, const char* formType = "AIFF") {
    QByteArray file("FORM\0\0\0\0", 8);
    file.append(formType, 4);
    for (const QByteArray& chunk : chunks) {
        file.append(chunk);
    }
    storeU32BE(file, 4, static_cast<std::uint32_t>(file.size() - 8));
    return file;
}

inline QByteArray imageBytes(int width, int height, const char* format, bool alpha = false) {
    QImage image(width, height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixelColor(x, y, QColor(x % 256, y % 256, (x * y) % 256, alpha ? 128 : 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

inline QByteArray randomBytes(quint32 seed, int size) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random.bounded(256));
    }
    return bytes;
}

// Makes a file or folder unwritable for as long as it lives: as root, where permission bits do not
// count, through the immutable attribute; otherwise by clearing the write bits. `active()` is false
// when neither works (then the test has nothing to check).
class Unwritable {
public:
    explicit Unwritable(const QString& path)
        : m_path(QFile::encodeName(path)) {
        struct stat info {};
        if (::stat(m_path.constData(), &info) != 0) {
            return;
        }
        m_mode = info.st_mode & 07777;
        if (::geteuid() == 0) {
            m_immutable = setImmutable(true);
            m_active = m_immutable;
        } else {
            m_active = ::chmod(m_path.constData(), m_mode & ~0222) == 0;
        }
    }
    ~Unwritable() {
        if (m_immutable) {
            setImmutable(false);
        } else if (m_active) {
            ::chmod(m_path.constData(), m_mode);
        }
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool active() const { return m_active; }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int attributes = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &attributes) == 0;
        if (done) {
            attributes = on ? (attributes | FS_IMMUTABLE_FL) : (attributes & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &attributes) == 0;
        }
        ::close(fd);
        return done;
    }

    QByteArray m_path;
    mode_t m_mode = 0;
    bool m_active = false;
    bool m_immutable = false;
};

} // namespace quirella::test
