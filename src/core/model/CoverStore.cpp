// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/CoverStore.h"

#include "model/Paths.h"

#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QtEndian>

namespace quirella {

namespace {

// XXH64 (seed 0): the same value in every process and on every machine, and several times faster than
// Qt's hash of bytes under the only seed that gives that (0, SipHash). qHash under any other seed mixes
// in Qt's per-process random seed, and each run would write every cover once more.
constexpr quint64 kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr quint64 kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr quint64 kPrime3 = 0x165667B19E3779F9ULL;
constexpr quint64 kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr quint64 kPrime5 = 0x27D4EB2F165667C5ULL;

quint64 rotateLeft(quint64 value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

quint64 read64(const uchar* at) {
    return qFromLittleEndian<quint64>(at);
}

quint64 mixRound(quint64 accumulator, quint64 input) {
    return rotateLeft(accumulator + input * kPrime2, 31) * kPrime1;
}

quint64 mergeRound(quint64 hash, quint64 accumulator) {
    return (hash ^ mixRound(0, accumulator)) * kPrime1 + kPrime4;
}

quint64 xxh64(QByteArrayView bytes) {
    const auto* at = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = at + bytes.size();
    quint64 hash = 0;
    if (bytes.size() >= 32) {
        quint64 lanes[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
        for (; end - at >= 32; at += 32) {
            for (int lane = 0; lane < 4; ++lane) {
                lanes[lane] = mixRound(lanes[lane], read64(at + 8 * lane));
            }
        }
        hash = rotateLeft(lanes[0], 1) + rotateLeft(lanes[1], 7) + rotateLeft(lanes[2], 12) +
               rotateLeft(lanes[3], 18);
        for (const quint64 lane : lanes) {
            hash = mergeRound(hash, lane);
        }
    } else {
        hash = kPrime5;
    }
    hash += static_cast<quint64>(bytes.size());
    for (; end - at >= 8; at += 8) {
        hash = rotateLeft(hash ^ mixRound(0, read64(at)), 27) * kPrime1 + kPrime4;
    }
    if (end - at >= 4) {
        hash = rotateLeft(hash ^ (quint64{qFromLittleEndian<quint32>(at)} * kPrime1), 23) * kPrime2 + kPrime3;
        at += 4;
    }
    for (; at < end; ++at) {
        hash = rotateLeft(hash ^ (*at * kPrime5), 11) * kPrime1;
    }
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    hash *= kPrime3;
    hash ^= hash >> 32;
    return hash;
}

} // namespace

quint64 coverHash(const QByteArray& bytes) {
    return xxh64(bytes);
}

namespace {

// The private folder found last, and the TMPDIR it was found under. Finding it resolves the system's
// temporary folder (realpath, several system calls) and checks the folder: done once per song with a
// cover, that was a noticeable share of loading a library.
struct KnownTempDir {
    QMutex mutex;
    QString environment;
    QString path;
};

KnownTempDir& knownTempDir() {
    static KnownTempDir known;
    return known;
}

} // namespace

std::optional<QString> saveCoverToTemp(const QByteArray& bytes, const QString& prefix) {
    const QString name =
        prefix + QLatin1Char('_') + QString::number(coverHash(bytes)) + QStringLiteral(".jpg");
    const QString environment = qEnvironmentVariable("TMPDIR");
    KnownTempDir& known = knownTempDir();
    QString knownPath;
    {
        const QMutexLocker lock(&known.mutex);
        if (known.environment == environment) {
            knownPath = known.path;
        }
    }
    // A picture already saved there is the common case of a folder whose songs share covers: our own
    // file in the folder we checked before shows that the folder is still ours.
    if (!knownPath.isEmpty() && QFileInfo::exists(knownPath + QLatin1Char('/') + name)) {
        return knownPath + QLatin1Char('/') + name;
    }
    const QString dir = paths::privateTempDir();
    if (dir.isEmpty()) {
        return std::nullopt;
    }
    {
        const QMutexLocker lock(&known.mutex);
        known.environment = environment;
        known.path = dir;
    }
    const QString path = dir + QLatin1Char('/') + name;
    if (QFileInfo::exists(path)) {
        return path;
    }
    // Written under a temporary name and renamed, so a reader never sees half a picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return std::nullopt;
    }
    return path;
}

} // namespace quirella
