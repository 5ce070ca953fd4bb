// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/AudioFiles.h"

#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quirella::test {

QByteArray be32(quint32 value) {
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian(value, out.data());
    return out;
}

QByteArray le32(quint32 value) {
    QByteArray out(4, Qt::Uninitialized);
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray syncsafe(quint32 value) {
    return be32((value & 0x7F) | (value << 1 & 0x7F00) | (value << 2 & 0x7F0000) | (value << 3 & 0x7F000000));
}

QByteArray randomBytes(quint32 seed, int size) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random.bounded(256));
    }
    return bytes;
}

QByteArray imageBytes(const QColor& colour, int width, int height, const char* format) {
    QImage image(width, height, colour.alpha() < 255 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
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

QByteArray mp3Audio(int frames) {
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

QByteArray id3Frame(QByteArrayView id, QByteArrayView body, int major, quint16 flags) {
    const auto size = static_cast<quint32>(body.size());
    return id.toByteArray() + (major == 4 ? syncsafe(size) : be32(size)) + static_cast<char>(flags >> 8) +
           static_cast<char>(flags & 0xFF) + body.toByteArray();
}

QByteArray id3Tag(QByteArrayView body, int major, quint8 flags) {
    return QByteArrayLiteral("ID3") + static_cast<char>(major) + '\0' + static_cast<char>(flags) +
           syncsafe(static_cast<quint32>(body.size())) + body.toByteArray();
}

QByteArray textBody(QByteArrayView text, char encoding) {
    return QByteArray(1, encoding) + text.toByteArray();
}

QByteArray txxxBody(QByteArrayView description, QByteArrayView value, char encoding) {
    return QByteArray(1, encoding) + description.toByteArray() + '\0' + value.toByteArray();
}

QByteArray popmBody(quint8 rating, QByteArrayView email) {
    return email.toByteArray() + '\0' + static_cast<char>(rating) + QByteArray(4, '\0');
}

QByteArray apicBody(QByteArrayView image, quint8 type, char encoding, QByteArrayView description) {
    const bool wide = encoding == 1 || encoding == 2;
    return QByteArray(1, encoding) + raw("image/jpeg\0") + static_cast<char>(type) +
           description.toByteArray() + QByteArray(wide ? 2 : 1, '\0') + image.toByteArray();
}

QByteArray wavChunk(QByteArrayView id, QByteArrayView payload, char pad) {
    return wavChunkClaiming(id, static_cast<quint32>(payload.size()), payload) +
           QByteArray(payload.size() % 2, pad);
}

QByteArray wavChunkClaiming(QByteArrayView id, quint32 size, QByteArrayView payload) {
    return id.toByteArray() + le32(size) + payload.toByteArray();
}

QByteArray pcmFormat() {
    // PCM, one channel, 8000 Hz, 16,000 bytes a second, block align 2, 16 bits.
    return QByteArray::fromHex("01000100") + le32(8000) + le32(16000) + QByteArray::fromHex("02001000");
}

QByteArray samples(int count) {
    QByteArray out(count, '\0');
    for (int i = 0; i < count; ++i) {
        out[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    }
    return out;
}

QByteArray riffFile(QByteArrayView chunks) {
    return QByteArrayLiteral("RIFF") + le32(static_cast<quint32>(chunks.size() + 4)) +
           QByteArrayLiteral("WAVE") + chunks.toByteArray();
}

QByteArray wavFile(QByteArrayView extra) {
    return riffFile(wavChunk("fmt ", pcmFormat()) + wavChunk("data", samples()) + extra.toByteArray());
}

QByteArray aiffChunk(QByteArrayView id, QByteArrayView payload, char pad) {
    return id.toByteArray() + be32(static_cast<quint32>(payload.size())) + payload.toByteArray() +
           QByteArray(payload.size() % 2, pad);
}

QByteArray aiffComm(quint32 frames) {
    // 80-bit extended 8000.0 as the sample rate.
    return aiffChunk("COMM", QByteArray::fromHex("0001") + be32(frames) +
                                 QByteArray::fromHex("0010400BFA00000000000000"));
}

QByteArray aiffSsnd(quint32 frames) {
    QByteArray payload(8, '\0');
    for (quint32 i = 0; i < frames; ++i) {
        const auto sample = static_cast<quint16>(i * 977);
        payload.append(static_cast<char>(sample >> 8));
        payload.append(static_cast<char>(sample & 0xFF));
    }
    return aiffChunk("SSND", payload);
}

QByteArray aiffFile(const QList<QByteArray>& chunks, QByteArrayView formType) {
    QByteArray body = formType.toByteArray();
    for (const QByteArray& chunk : chunks) {
        body.append(chunk);
    }
    return "FORM" + be32(static_cast<quint32>(body.size())) + body;
}

QByteArray aiffFile() {
    return aiffFile({aiffComm(800), aiffSsnd(800)});
}

QByteArray plainFile(const QString& extension) {
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
    return dataFile(lower == QLatin1String("flac") ? QStringLiteral("flac-plain.flac")
                                                   : QStringLiteral("m4a-plain.m4a"));
}

namespace {

bool immutableAttributeForbidden() {
    return qEnvironmentVariableIntValue("QUIRELLA_TEST_NO_IMMUTABLE") != 0;
}

constexpr const char* kInNamespace = "QUIRELLA_TEST_IN_MOUNT_NAMESPACE";

bool writeText(const char* path, const char* text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const auto length = static_cast<ssize_t>(std::strlen(text));
    const bool done = ::write(fd, text, static_cast<size_t>(length)) == length;
    return ::close(fd) == 0 && done;
}

// Sets or clears the immutable attribute of an open file.
bool setImmutableFlag(int fd, bool on) {
    int attributes = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &attributes) != 0) {
        return false;
    }
    attributes = on ? (attributes | FS_IMMUTABLE_FL) : (attributes & ~FS_IMMUTABLE_FL);
    return ::ioctl(fd, FS_IOC_SETFLAGS, &attributes) == 0;
}

// Whether the immutable attribute can be set here, tried on a scratch file.
bool immutableAttributeWorks() {
    char name[] = "/tmp/quirella-immutable-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        return false;
    }
    const bool works = setImmutableFlag(fd, true) && setImmutableFlag(fd, false);
    ::close(fd);
    ::unlink(name);
    return works;
}

} // namespace

void prepareUnwritablePlaces() {
    if (::geteuid() != 0 || qEnvironmentVariableIsSet(kInNamespace) ||
        (!immutableAttributeForbidden() && immutableAttributeWorks())) {
        return;
    }
    // A process cannot map more ids than its own into the namespace it has just entered; a helper
    // left behind in the original namespace, where root may, writes the identity maps for it.
    int go[2];
    if (::pipe2(go, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t self = ::getpid();
    const pid_t helper = ::fork();
    if (helper < 0) {
        ::close(go[0]);
        ::close(go[1]);
        return;
    }
    if (helper == 0) {
        ::close(go[1]);
        char entered = 0;
        if (::read(go[0], &entered, 1) != 1 || entered != 'y') {
            ::_exit(1);
        }
        const QByteArray proc = "/proc/" + QByteArray::number(self);
        const bool mapped = writeText((proc + "/uid_map").constData(), "0 0 4294967295\n") &&
                            writeText((proc + "/gid_map").constData(), "0 0 4294967295\n");
        ::_exit(mapped ? 0 : 1);
    }
    ::close(go[0]);
    const bool entered = ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0;
    const int enterError = errno;
    const char answer = entered ? 'y' : 'n';
    (void)!::write(go[1], &answer, 1);
    ::close(go[1]);
    int status = 0;
    ::waitpid(helper, &status, 0);
    if (!entered) {
        std::fprintf(stderr, "No user and mount namespace for read-only places: %s\n",
                     std::strerror(enterError));
        return;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        // Without the helper's maps, root maps only itself, as `unshare --map-root-user` does.
        writeText("/proc/self/setgroups", "deny");
        if (!writeText("/proc/self/uid_map", "0 0 1\n") || !writeText("/proc/self/gid_map", "0 0 1\n")) {
            std::fprintf(stderr, "The user namespace for read-only places has no id maps\n");
        }
    }
    // Bind mounts made by the tests stay in this process's namespace.
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    qputenv(kInNamespace, "1");
}

QString Unwritable::how() {
    if (::geteuid() != 0) {
        return QStringLiteral("clearing the write permission bits");
    }
    return immutableAttributeForbidden() || !immutableAttributeWorks()
               ? QStringLiteral("a read-only bind mount in a user and mount namespace (%1)")
                     .arg(qEnvironmentVariableIsSet(kInNamespace) ? QStringLiteral("entered")
                                                                  : QStringLiteral("could not be entered"))
               : QStringLiteral("the immutable attribute");
}

Unwritable::Unwritable(const QString& path)
    : m_path(QFile::encodeName(path)) {
    struct stat info {};
    if (::stat(m_path.constData(), &info) != 0) {
        return;
    }
    m_mode = info.st_mode & 07777;
    if (::geteuid() == 0) {
        m_immutable = !immutableAttributeForbidden() && setImmutable(true);
        m_mounted = !m_immutable && mountReadOnly();
        m_active = m_immutable || m_mounted;
    } else {
        m_active = ::chmod(m_path.constData(), m_mode & ~0222u) == 0;
    }
}

Unwritable::~Unwritable() {
    if (m_immutable) {
        setImmutable(false);
    } else if (m_mounted) {
        ::umount2(m_path.constData(), MNT_DETACH);
    } else if (m_active) {
        ::chmod(m_path.constData(), m_mode);
    }
}

bool Unwritable::mountReadOnly() const {
    if (::mount(m_path.constData(), m_path.constData(), nullptr, MS_BIND, nullptr) != 0) {
        return false;
    }
    // A remount in a namespace of lesser privilege must keep the flags the mount below was given.
    struct statvfs below {};
    unsigned long kept = 0;
    if (::statvfs(m_path.constData(), &below) == 0) {
        const std::pair<unsigned long, unsigned long> flags[] = {
            {ST_NOSUID, MS_NOSUID},   {ST_NODEV, MS_NODEV},           {ST_NOEXEC, MS_NOEXEC},
            {ST_NOATIME, MS_NOATIME}, {ST_NODIRATIME, MS_NODIRATIME}, {ST_RELATIME, MS_RELATIME}};
        for (const auto& [statFlag, mountFlag] : flags) {
            kept |= (below.f_flag & statFlag) ? mountFlag : 0;
        }
    }
    if (::mount(nullptr, m_path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY | kept, nullptr) !=
        0) {
        ::umount2(m_path.constData(), MNT_DETACH);
        return false;
    }
    return true;
}

bool Unwritable::setImmutable(bool on) const {
    const int fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool done = setImmutableFlag(fd, on);
    ::close(fd);
    return done;
}

} // namespace quirella::test
