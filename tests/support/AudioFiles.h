// SPDX-License-Identifier: GPL-3.0-or-later
// Audio files and tags built byte by byte for the tests, independent of the code under test: MP3 frames,
// ID3v2 tags, WAV and AIFF chunks, pictures, random bytes; and a guard that makes a file or folder
// unwritable even for root.
#pragma once

#include "support/TestSupport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QList>
#include <QString>

#include <cstddef>
#include <utility>

namespace quirella::test {

QByteArray be32(quint32 value);
QByteArray le32(quint32 value);
QByteArray syncsafe(quint32 value);

// A literal with its embedded zero bytes, without the terminating one.
template <std::size_t N>
QByteArray raw(const char (&literal)[N]) {
    return QByteArray(literal, static_cast<qsizetype>(N - 1));
}

QByteArray randomBytes(quint32 seed, int size);

// An encoded picture filled with `colour` (a translucent colour gives an alpha channel) and a white
// diagonal, so that it does not compress to nothing.
QByteArray imageBytes(const QColor& colour, int width = 64, int height = 48, const char* format = "JPEG");

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, no padding: 417 bytes (about 26 ms) per frame. The payload
// counts, so that a shifted or cut copy of the audio shows, and never holds 0xFF (no false frame sync).
QByteArray mp3Audio(int frames = 8);

// One frame: id, size (plain for 2.3, syncsafe for 2.4), flags, body.
QByteArray id3Frame(QByteArrayView id, QByteArrayView body, int major = 3, quint16 flags = 0);
// A tag header with a syncsafe size around `body` (frames, padding, ...).
QByteArray id3Tag(QByteArrayView body, int major = 3, quint8 flags = 0);
QByteArray textBody(QByteArrayView text, char encoding = '\x03');
QByteArray txxxBody(QByteArrayView description, QByteArrayView value, char encoding = '\x03');
QByteArray popmBody(quint8 rating, QByteArrayView email = "no@email");
// A JPEG-declared picture of `type` with a description in `encoding`.
QByteArray apicBody(QByteArrayView image, quint8 type = 3, char encoding = 0,
                    QByteArrayView description = {});

// id, little-endian size, payload, and `pad` after an odd payload.
QByteArray wavChunk(QByteArrayView id, QByteArrayView payload, char pad = '\0');
// A chunk header that claims `size` bytes, followed by whatever `payload` there really is.
QByteArray wavChunkClaiming(QByteArrayView id, quint32 size, QByteArrayView payload);
// 16-byte PCM format: mono, 8000 Hz, 16 bits.
QByteArray pcmFormat();
// 0.1 s of samples for pcmFormat().
QByteArray samples(int count = 1600);
// "RIFF", the size of what follows, "WAVE", then the chunks as given.
QByteArray riffFile(QByteArrayView chunks);
// "fmt " and "data", then `extra` chunks.
QByteArray wavFile(QByteArrayView extra = {});

QByteArray aiffChunk(QByteArrayView id, QByteArrayView payload, char pad = '\0');
// Common chunk: 1 channel, `frames` sample frames, 16 bits, 8000 Hz.
QByteArray aiffComm(quint32 frames);
// Sound data chunk: offset 0, block size 0, then 16-bit samples.
QByteArray aiffSsnd(quint32 frames);
// A FORM file of `formType` around the chunks, with a correct FORM size.
QByteArray aiffFile(const QList<QByteArray>& chunks, QByteArrayView formType = "AIFF");
// 0.1 s of sound without tags.
QByteArray aiffFile();

// The bytes of a file of each loaded format without tags; FLAC and M4A come from the fixtures.
QByteArray plainFile(const QString& extension);

// Makes a file or folder unwritable while it lives, even for root (whom permission bits do not stop):
// through the immutable attribute where allowed, else (containers commonly forbid it) a read-only bind
// mount, which needs the mount namespace of prepareUnwritablePlaces; not root, by clearing the write
// bits. `active()` is false when nothing works; `how()` names the mechanism for failure messages.
class Unwritable {
public:
    explicit Unwritable(const QString& path);
    ~Unwritable();
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool active() const { return m_active; }
    static QString how();

private:
    bool setImmutable(bool on) const;
    bool mountReadOnly() const;

    QByteArray m_path;
    unsigned m_mode = 0;
    bool m_active = false;
    bool m_immutable = false;
    bool m_mounted = false;
};

// Called first in a test executable, while it has one thread. As root where the immutable attribute
// cannot be set, enters a user namespace mapping every id to itself (files, owners and root's rights look
// as before) and a mount namespace of its own, where Unwritable can bind-mount places read-only; does
// nothing otherwise. QUIRELLA_TEST_NO_IMMUTABLE=1 takes this path even where the attribute works.
void prepareUnwritablePlaces();

} // namespace quirella::test
