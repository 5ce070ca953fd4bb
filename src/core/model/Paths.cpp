// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Paths.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace quirella::paths {

QString privateTempDir() {
    const QString path = QDir::tempPath() + QStringLiteral("/quirella-%1").arg(::getuid());
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return {};
    }
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0) {
        return {};
    }
    return path;
}

QString cacheDir() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

QString libraryTmpDir() {
    return cacheDir() + QStringLiteral("/tmp");
}

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// An escaped byte is a lone low surrogate U+DC80..U+DCFF: one that is not the second half of a pair.
bool isEscapeAt(QStringView text, qsizetype i) {
    const char16_t unit = text[i].unicode();
    return unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

// Length of the valid UTF-8 sequence starting at `at`, or 0 when the bytes there are not one
// (overlong forms, surrogates and code points past U+10FFFF included).
int validSequenceLength(const unsigned char* bytes, qsizetype left) {
    const unsigned char lead = bytes[0];
    if (lead < 0x80) {
        return 1;
    }
    int length = 0;
    char32_t minimum = 0;
    char32_t codePoint = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

QString fromNativePath(const QByteArray& bytes) {
    QString path;
    path.reserve(bytes.size());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype at = 0;
    while (at < size) {
        const int length = validSequenceLength(data + at, size - at);
        if (length == 0) {
            path.append(QChar(static_cast<char16_t>(kEscapeBase + data[at])));
            ++at;
            continue;
        }
        path.append(QString::fromUtf8(bytes.constData() + at, length));
        at += length;
    }
    return path;
}

QByteArray nativePath(QStringView path) {
    if (!hasEscapedBytes(path)) {
        return path.toUtf8();
    }
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscapeAt(path, i)) {
            continue;
        }
        bytes.append(path.mid(runStart, i - runStart).toUtf8());
        bytes.append(static_cast<char>(path[i].unicode() - kEscapeBase));
        runStart = i + 1;
    }
    bytes.append(path.mid(runStart).toUtf8());
    return bytes;
}

QString displayText(QStringView path) {
    QString text = path.toString();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscapeAt(path, i)) {
            text[i] = QChar(QChar::ReplacementCharacter);
        }
    }
    return text;
}

bool hasEscapedBytes(QStringView path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isEscapeAt(path, i)) {
            return true;
        }
    }
    return false;
}

QString absolutePath(const QString& path) {
    if (path.startsWith(u'/')) {
        return path;
    }
    char current[PATH_MAX];
    if (::getcwd(current, sizeof current) == nullptr) {
        return path;
    }
    return fromNativePath(QByteArray(current)) + u'/' + path;
}

QString canonicalPath(const QString& path) {
    const QString absolute = absolutePath(path);
    const auto resolved = [](const QString& existing) -> std::optional<QString> {
        char target[PATH_MAX];
        if (::realpath(nativePath(existing).constData(), target) == nullptr) {
            return std::nullopt;
        }
        return fromNativePath(QByteArray(target));
    };
    struct stat info {};
    if (::stat(nativePath(absolute).constData(), &info) == 0 && S_ISDIR(info.st_mode)) {
        if (const std::optional<QString> folder = resolved(absolute)) {
            return *folder;
        }
    } else {
        const QString cleaned = QDir::cleanPath(absolute);
        const qsizetype slash = cleaned.lastIndexOf(u'/');
        const QString name = cleaned.mid(slash + 1);
        if (slash > 0 && name != QLatin1StringView("..")) {
            if (const std::optional<QString> folder = resolved(cleaned.left(slash))) {
                return (*folder == QLatin1StringView("/") ? QString() : *folder) + u'/' + name;
            }
        }
    }
    return QDir::cleanPath(absolute);
}

bool openForReading(QFile& file, const QString& path) {
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        errno = EIO;
        return false;
    }
    return true;
}

} // namespace quirella::paths
