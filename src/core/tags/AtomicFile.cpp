// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AtomicFile.h"

#include "model/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quirella::atomicfile {

namespace {

// Paths here may hold bytes that are not UTF-8 (see Paths.h): every system call takes the native bytes,
// and Qt's file classes, which would replace such bytes, are never given a user's path.
QString fileNameOf(const QString& path) {
    return paths::displayText(QStringView(path).mid(path.lastIndexOf(u'/') + 1));
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// `text` names the file with %1 and the system's reason with %2.
QString systemError(const QString& text, const QString& path, int error) {
    return text.arg(fileNameOf(path), QString::fromLocal8Bit(std::strerror(error)));
}

// The file that is really rewritten: the target of a link, else the path itself.
QString resolvedTarget(const QString& path) {
    const QByteArray native = paths::nativePath(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char target[PATH_MAX];
        if (::realpath(native.constData(), target) != nullptr) {
            return paths::fromNativePath(QByteArray(target));
        }
    }
    return paths::absolutePath(path);
}

bool writeFully(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(std::min<qint64>(size, 1 << 26)));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

void syncFolder(const QString& folder) {
    const int fd = ::open(paths::nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Creates a new, empty temporary file next to `target`; returns its descriptor and path.
int createTemporary(const QString& target, QString* tempPath, int* error) {
    const QString name = target.mid(target.lastIndexOf(u'/') + 1);
    QByteArray pattern = paths::nativePath(folderOf(target) + u'/' + QLatin1String(kTempPrefix)) +
                         paths::nativePath(name).left(64) + QByteArrayLiteral(".XXXXXX");
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    *tempPath = paths::fromNativePath(pattern);
    return fd;
}

// Gives the new file the original's permission bits and, where we may, its owner.
void copyOwnership(int fd, const struct stat& original) {
    ::fchmod(fd, original.st_mode & 07777);
    if (original.st_uid != ::geteuid() || original.st_gid != ::getegid()) {
        // Only root may give a file away; a plain user keeps the permission bits and that is all.
        if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
            ::fchmod(fd, original.st_mode & 0777);
        }
    }
}

// The names of the extended attributes of `path`, each ending in a zero byte; empty when it has none or
// its file system keeps none. False with errno set when they cannot be listed.
bool listAttributes(const QByteArray& path, QByteArray* names) {
    for (;;) {
        const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP;
        }
        names->resize(size);
        if (size == 0) {
            return true;
        }
        const ssize_t got = ::listxattr(path.constData(), names->data(), static_cast<size_t>(size));
        if (got >= 0) {
            names->resize(got);
            return true;
        }
        if (errno != ERANGE) { // ERANGE: an attribute was added in between; ask again
            return false;
        }
    }
}

// Attributes whose namespace needs privileges a plain user lacks; where they cannot be set, the file
// goes without them rather than not being written at all.
bool isPrivilegedAttribute(QByteArrayView name) {
    return name.startsWith("security.") || name.startsWith("trusted.");
}

// Copies the extended attributes of `source` to the open new file: what file managers keep there (tags,
// ratings, comments in user.*), a download's origin, and the POSIX ACL (system.posix_acl_access). Runs
// after the owner and mode are set, since a change of owner clears some of them. False with errno set
// when one that may be set could not be copied.
bool copyExtendedAttributes(const QByteArray& source, int fd) {
    QByteArray names;
    if (!listAttributes(source, &names)) {
        return false;
    }
    QByteArray value;
    for (qsizetype start = 0; start < names.size();) {
        const qsizetype end = names.indexOf('\0', start);
        const QByteArray name = names.mid(start, (end < 0 ? names.size() : end) - start);
        start = end < 0 ? names.size() : end + 1;
        if (name.isEmpty()) {
            continue;
        }
        ssize_t size = -1;
        do {
            size = ::getxattr(source.constData(), name.constData(), nullptr, 0);
            if (size < 0) {
                break;
            }
            value.resize(size);
            size = ::getxattr(source.constData(), name.constData(), value.data(), static_cast<size_t>(size));
        } while (size < 0 && errno == ERANGE);
        if (size < 0) {
            if (errno == ENODATA) { // removed in between
                continue;
            }
            if (isPrivilegedAttribute(name)) {
                continue;
            }
            return false;
        }
        if (::fsetxattr(fd, name.constData(), value.constData(), static_cast<size_t>(size), 0) != 0) {
            if (isPrivilegedAttribute(name) && (errno == EPERM || errno == EACCES || errno == ENOTSUP)) {
                continue;
            }
            return false;
        }
    }
    return true;
}

TagStatus statTarget(const QString& target, struct stat* info) {
    if (::stat(paths::nativePath(target).constData(), info) != 0) {
        return TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot open “%1”: %2"), target, errno));
    }
    if (!S_ISREG(info->st_mode)) {
        return TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("AtomicFile", "“%1” is not a regular file.").arg(fileNameOf(target)));
    }
    return TagStatus::success();
}

} // namespace

bool isWritable(const QString& path) {
    const QString target = resolvedTarget(path);
    const QByteArray native = paths::nativePath(target);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    if (::access(native.constData(), W_OK) != 0) {
        return false;
    }
    const QByteArray folder = paths::nativePath(folderOf(target));
    return ::access(folder.constData(), W_OK | X_OK) == 0;
}

TagStatus checkWritable(const QString& path) {
    if (isWritable(path)) {
        return TagStatus::success();
    }
    const QByteArray native = paths::nativePath(path);
    const QString name = fileNameOf(path);
    struct stat info {};
    QString reason;
    if (::stat(native.constData(), &info) != 0) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” does not exist.").arg(name);
    } else if (S_ISDIR(info.st_mode)) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” is a folder, not a file.").arg(name);
    } else if (!S_ISREG(info.st_mode)) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” is not a regular file.").arg(name);
    } else if (::access(native.constData(), W_OK) != 0) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” is read-only.").arg(name);
    } else {
        reason =
            QCoreApplication::translate("AtomicFile", "The folder of “%1” does not allow changes.").arg(name);
    }
    return TagStatus::failure(TagError::writeFailure, reason);
}

qint64 fileSize(const QString& path) {
    struct stat info {};
    return ::stat(paths::nativePath(path).constData(), &info) == 0 ? static_cast<qint64>(info.st_size) : -1;
}

TagResult<QByteArray> readWholeFile(const QString& path) {
    const int fd = ::open(paths::nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot open “%1”: %2"), path, errno)));
    }
    const auto fail = [&](int error) {
        ::close(fd);
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot read “%1”: %2"), path, error)));
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return fail(errno);
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::platform, QCoreApplication::translate("AtomicFile", "“%1” is a folder, not a file.")
                                    .arg(fileNameOf(path))));
    }
    // One buffer of exactly the file's size: a buffer grown while reading would be copied and, for
    // files of a few megabytes, allocated afresh for every file of a batch.
    QByteArray bytes;
    const qint64 expected = S_ISREG(info.st_mode) ? qint64(info.st_size) : 0;
    if (expected >= qint64(std::numeric_limits<qsizetype>::max() / 2)) {
        return fail(EFBIG);
    }
    bytes.resize(qsizetype(expected));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            // The file may have grown since it was measured: read on until its end.
            bytes.resize(filled + (filled < (1 << 16) ? (1 << 16) : filled / 2));
        }
        const ssize_t got = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(errno);
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    ::close(fd);
    bytes.truncate(filled);
    return TagResult<QByteArray>::success(std::move(bytes));
}

namespace {

// Copies `source` from `offset` to its end into `fd`, in the kernel where it can; the number of bytes
// copied goes to `copied`. False with errno set on failure.
bool copyRest(int source, qint64 offset, int fd, qint64* copied) {
    *copied = 0;
    bool kernelCopy = true;
    for (;;) {
        if (kernelCopy) {
            loff_t from = offset + *copied;
            const ssize_t n = ::copy_file_range(source, &from, fd, nullptr, size_t(1) << 30, 0);
            if (n > 0) {
                *copied += n;
                continue;
            }
            if (n == 0) {
                return true;
            }
            if (errno == EINTR) {
                continue;
            }
            // Not between these files or on this system: through our memory instead.
            if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
                errno != EBADF) {
                return false;
            }
            kernelCopy = false;
        }
        static constexpr qsizetype kChunk = 1 << 20;
        QByteArray buffer(kChunk, Qt::Uninitialized);
        for (;;) {
            const ssize_t n = ::pread(source, buffer.data(), size_t(kChunk), offset + *copied);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            if (n == 0) {
                return true;
            }
            if (!writeFully(fd, buffer.constData(), n)) {
                return false;
            }
            *copied += n;
        }
    }
}

// Writes the new content into the open temporary file; false with errno set, or with `refusal` set
// when the content could not be made for a reason of its own.
using ContentWriter = std::function<bool(int fd, QString* refusal)>;

// The replacement itself: a temporary file next to the target gets the content, the original's owner,
// mode and attributes, is flushed and renamed over the target; then the folder is flushed.
TagStatus replaceWith(const QString& path, const ContentWriter& writeContent) {
    const QString target = resolvedTarget(path);
    struct stat original {};
    if (TagStatus status = statTarget(target, &original); !status.ok()) {
        return status;
    }
    QString tempPath;
    int error = 0;
    const int fd = createTemporary(target, &tempPath, &error);
    if (fd < 0) {
        return TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot write next to “%1”: %2"), target,
                        error));
    }
    const QByteArray tempNative = paths::nativePath(tempPath);
    const auto abandon = [&](const QString& what) {
        const int saved = errno;
        ::close(fd);
        ::unlink(tempNative.constData());
        return TagStatus::failure(TagError::platform, systemError(what, target, saved));
    };
    QString refusal;
    if (!writeContent(fd, &refusal)) {
        if (!refusal.isEmpty()) {
            ::close(fd);
            ::unlink(tempNative.constData());
            return TagStatus::failure(TagError::writeFailure, refusal);
        }
        return abandon(QCoreApplication::translate("AtomicFile", "Cannot write “%1”: %2"));
    }
    copyOwnership(fd, original);
    if (!copyExtendedAttributes(paths::nativePath(target), fd)) {
        return abandon(
            QCoreApplication::translate("AtomicFile", "Cannot copy the extended attributes of “%1”: %2"));
    }
    if (::fsync(fd) != 0) {
        return abandon(QCoreApplication::translate("AtomicFile", "Cannot flush “%1”: %2"));
    }
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(tempNative.constData());
        return TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot write “%1”: %2"), target, saved));
    }
    if (::rename(tempNative.constData(), paths::nativePath(target).constData()) != 0) {
        const int saved = errno;
        ::unlink(tempNative.constData());
        return TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot replace “%1”: %2"), target, saved));
    }
    syncFolder(folderOf(target));
    return TagStatus::success();
}

} // namespace

TagStatus replaceContents(const QString& path, const QByteArray& bytes) {
    return replaceWith(path,
                       [&](int fd, QString*) { return writeFully(fd, bytes.constData(), bytes.size()); });
}

TagStatus replaceHead(const QString& path, QByteArrayView head, qint64 oldHeadSize, qint64 expectedSize) {
    return replaceWith(path, [&](int fd, QString* refusal) {
        const int source = ::open(paths::nativePath(resolvedTarget(path)).constData(), O_RDONLY | O_CLOEXEC);
        if (source < 0) {
            return false;
        }
        qint64 copied = 0;
        const bool written =
            writeFully(fd, head.data(), head.size()) && copyRest(source, oldHeadSize, fd, &copied);
        const int saved = errno;
        ::close(source);
        errno = saved;
        if (written && oldHeadSize + copied != expectedSize) {
            *refusal = QCoreApplication::translate(
                           "AtomicFile", "“%1” changed while it was being written; it was left as it was.")
                           .arg(fileNameOf(path));
            return false;
        }
        return written;
    });
}

TagResult<QByteArray> readHead(const QString& path, qint64 length) {
    return readRange(path, 0, length);
}

TagResult<QByteArray> readRange(const QString& path, qint64 offset, qint64 length) {
    const int fd = ::open(paths::nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return TagResult<QByteArray>::failure(TagStatus::failure(
            TagError::platform,
            systemError(QCoreApplication::translate("AtomicFile", "Cannot open “%1”: %2"), path, errno)));
    }
    // No more than the file holds: a damaged size field may ask for far more.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        length = qMin<qint64>(length, qMax<qint64>(0, info.st_size - offset));
    }
    QByteArray bytes(qsizetype(qBound<qint64>(0, length, qint64{1} << 30)), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + filled, size_t(bytes.size() - filled), offset + filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int saved = errno;
            ::close(fd);
            return TagResult<QByteArray>::failure(TagStatus::failure(
                TagError::platform,
                systemError(QCoreApplication::translate("AtomicFile", "Cannot read “%1”: %2"), path, saved)));
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    ::close(fd);
    bytes.truncate(filled);
    return TagResult<QByteArray>::success(std::move(bytes));
}

TagStatus replaceWithFile(const QString& path, const QString& replacement) {
    const QString target = resolvedTarget(path);
    struct stat original {};
    if (TagStatus status = statTarget(target, &original); !status.ok()) {
        return status;
    }
    const QByteArray replacementNative = paths::nativePath(replacement);
    const int fd = ::open(replacementNative.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return TagStatus::failure(
            TagError::platform, systemError(QCoreApplication::translate("AtomicFile", "Cannot open “%1”: %2"),
                                            replacement, errno));
    }
    copyOwnership(fd, original);
    if (!copyExtendedAttributes(paths::nativePath(target), fd)) {
        const int saved = errno;
        ::close(fd);
        return TagStatus::failure(
            TagError::platform,
            systemError(
                QCoreApplication::translate("AtomicFile", "Cannot copy the extended attributes of “%1”: %2"),
                target, saved));
    }
    const bool flushed = ::fsync(fd) == 0;
    const int flushError = errno;
    ::close(fd);
    if (!flushed) {
        return TagStatus::failure(TagError::platform, systemError(QCoreApplication::translate(
                                                                      "AtomicFile", "Cannot flush “%1”: %2"),
                                                                  replacement, flushError));
    }
    if (::rename(replacementNative.constData(), paths::nativePath(target).constData()) != 0) {
        const int saved = errno;
        if (saved != EXDEV) {
            return TagStatus::failure(
                TagError::platform,
                systemError(QCoreApplication::translate("AtomicFile", "Cannot replace “%1”: %2"), target,
                            saved));
        }
        // Another file system: copy the finished bytes next to the target and rename from there.
        TagResult<QByteArray> bytes = readWholeFile(replacement);
        if (!bytes.ok()) {
            return bytes.status;
        }
        TagStatus status = replaceContents(target, *bytes.value);
        if (status.ok()) {
            ::unlink(replacementNative.constData());
        }
        return status;
    }
    syncFolder(folderOf(target));
    return TagStatus::success();
}

int sweepStaleTemporaryFiles(const QString& folder, int minimumAgeSeconds) {
    QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1String(kTempPrefix) + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    const QDateTime limit = QDateTime::currentDateTimeUtc().addSecs(-minimumAgeSeconds);
    int removed = 0;
    for (const QString& name : names) {
        const QFileInfo info(dir.filePath(name));
        if (info.ownerId() == ::geteuid() && info.lastModified().toUTC() < limit &&
            QFile::remove(info.filePath())) {
            ++removed;
        }
    }
    return removed;
}

} // namespace quirella::atomicfile
