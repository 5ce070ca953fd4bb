// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AtomicFile.h"

#include "model/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>

namespace quirella::atomicfile {

namespace {

void (*beforeReplacingHook)(const QString& target) = nullptr;

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

TagStatus platformFailure(const QString& text, const QString& path, int error) {
    return TagStatus::failure(TagError::platform, systemError(text, path, error));
}

TagStatus changedOnDisk(const QString& path) {
    return TagStatus::failure(
        TagError::writeFailure,
        QCoreApplication::translate("AtomicFile",
                                    "“%1” changed on disk while it was being saved, so it was not written.")
            .arg(fileNameOf(path)));
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

// The file attributes of chattr(1) (append-only, immutable), or 0 where the file system keeps none.
int attributeFlags(const QByteArray& native) {
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    int flags = 0;
    if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        flags = 0;
    }
    if (fd >= 0) {
        ::close(fd);
    }
    return flags;
}

// Opens a regular file for reading without ever blocking: an ordinary open of a pipe waits for a writer,
// and a device (/dev/zero under a song's name) would be read without end. The check is made on the
// descriptor opened, so nothing put in the file's place afterwards gets read.
int openRegularFile(const QString& path, struct stat* info, TagStatus* status) {
    const int fd = ::open(paths::nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *status =
            platformFailure(QCoreApplication::translate("AtomicFile", "Cannot open “%1”: %2"), path, errno);
        return -1;
    }
    if (::fstat(fd, info) != 0 || !S_ISREG(info->st_mode)) {
        *status = TagStatus::failure(
            TagError::writeFailure,
            S_ISDIR(info->st_mode)
                ? QCoreApplication::translate("AtomicFile", "“%1” is a folder, not a file.")
                      .arg(fileNameOf(path))
                : QCoreApplication::translate("AtomicFile", "“%1” is not a regular file.")
                      .arg(fileNameOf(path)));
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// At most `length` bytes from `offset` on, no further than `size`: a damaged size field may ask for far
// more than the file holds.
TagResult<QByteArray> readAt(int fd, qint64 size, qint64 offset, qint64 length, const QString& path) {
    length =
        std::clamp<qint64>(std::min(length, size - offset), 0, std::numeric_limits<qsizetype>::max() / 2);
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got =
            ::pread(fd, bytes.data() + filled, size_t(bytes.size() - filled), offset + filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return TagResult<QByteArray>::failure(platformFailure(
                QCoreApplication::translate("AtomicFile", "Cannot read “%1”: %2"), path, errno));
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    bytes.truncate(filled);
    return TagResult<QByteArray>::success(std::move(bytes));
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

// Copies `length` bytes of `source` from `offset` on into `fd`, in the kernel where it can; fewer when
// the file ends before. The number of bytes copied goes to `copied`. False with errno set on failure.
bool copyRange(int source, qint64 offset, qint64 length, int fd, qint64* copied) {
    *copied = 0;
    bool kernelCopy = true;
    QByteArray buffer;
    while (*copied < length) {
        const qint64 wanted = std::min(length - *copied, qint64{1} << 30);
        ssize_t n = 0;
        if (kernelCopy) {
            loff_t from = offset + *copied;
            n = ::copy_file_range(source, &from, fd, nullptr, size_t(wanted), 0);
            // Not between these files or on this system: through our memory instead.
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                          errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
        } else {
            buffer.resize(1 << 20);
            n = ::pread(source, buffer.data(), size_t(std::min<qint64>(wanted, buffer.size())),
                        offset + *copied);
            if (n > 0 && !writeFully(fd, buffer.constData(), n)) {
                return false;
            }
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n == 0;
        }
        *copied += n;
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

// Gives the new file the original's owner and group. A process that may not give files away still keeps
// the group, so that the other members of a shared music folder's group keep their access. False when
// neither can be kept: the file would become the saver's alone, and its owner might no longer read it.
bool keepOwnerAndGroup(int fd, const struct stat& original) {
    struct stat created {};
    if (::fstat(fd, &created) != 0) {
        return false;
    }
    bool ownerKept = created.st_uid == original.st_uid;
    bool groupKept = created.st_gid == original.st_gid;
    if ((!ownerKept || !groupKept) && ::fchown(fd, original.st_uid, original.st_gid) == 0) {
        return true;
    }
    if (!groupKept) {
        groupKept = ::fchown(fd, uid_t(-1), original.st_gid) == 0;
    }
    return ownerKept || groupKept;
}

// The names of the extended attributes of the open file, each ending in a zero byte; empty when it has
// none or its file system keeps none. False with errno set when they cannot be listed.
bool listAttributes(int source, QByteArray* names) {
    for (;;) {
        const ssize_t size = ::flistxattr(source, nullptr, 0);
        if (size < 0) {
            return errno == ENOTSUP;
        }
        names->resize(size);
        if (size == 0) {
            return true;
        }
        const ssize_t got = ::flistxattr(source, names->data(), static_cast<size_t>(size));
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
bool copyExtendedAttributes(int source, int fd) {
    QByteArray names;
    if (!listAttributes(source, &names)) {
        return false;
    }
    QByteArray value;
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty()) {
            continue;
        }
        ssize_t size = -1;
        do {
            size = ::fgetxattr(source, name.constData(), nullptr, 0);
            if (size < 0) {
                break;
            }
            value.resize(size);
            size = ::fgetxattr(source, name.constData(), value.data(), static_cast<size_t>(size));
        } while (size < 0 && errno == ERANGE);
        if (size < 0) {
            if (errno == ENODATA || isPrivilegedAttribute(name)) { // removed in between, or not ours to read
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

} // namespace

TagStatus checkWritable(const QString& path) {
    const QString target = resolvedTarget(path);
    const QByteArray native = paths::nativePath(target);
    const QByteArray folder = paths::nativePath(folderOf(target));
    const QString name = fileNameOf(path);
    struct stat info {};
    QString reason;
    // Permission bits do not stop root; these attributes do, and a rename in an append-only folder fails
    // after the temporary file is made, which could then never be removed.
    const int appendOnly = FS_APPEND_FL | FS_IMMUTABLE_FL;
    if (::stat(paths::nativePath(path).constData(), &info) != 0) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” does not exist.").arg(name);
    } else if (S_ISDIR(info.st_mode)) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” is a folder, not a file.").arg(name);
    } else if (!S_ISREG(info.st_mode)) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” is not a regular file.").arg(name);
    } else if (::access(native.constData(), W_OK) != 0 || (attributeFlags(native) & appendOnly) != 0) {
        reason = QCoreApplication::translate("AtomicFile", "“%1” is read-only.").arg(name);
    } else if (::access(folder.constData(), W_OK | X_OK) != 0 || (attributeFlags(folder) & appendOnly) != 0) {
        reason =
            QCoreApplication::translate("AtomicFile", "The folder of “%1” does not allow changes.").arg(name);
    } else {
        return TagStatus::success();
    }
    return TagStatus::failure(TagError::writeFailure, reason);
}

// ---- SourceFile ----

SourceFile::SourceFile(QString path, QString target, int fd, const struct stat& opened)
    : m_path(std::move(path))
    , m_target(std::move(target))
    , m_fd(fd)
    , m_opened(opened) {}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_target(std::move(other.m_target))
    , m_fd(std::exchange(other.m_fd, -1))
    , m_opened(other.m_opened) {}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_path = std::move(other.m_path);
        m_target = std::move(other.m_target);
        m_fd = std::exchange(other.m_fd, -1);
        m_opened = other.m_opened;
    }
    return *this;
}

SourceFile::~SourceFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

TagResult<ReadableFile> ReadableFile::open(const QString& path) {
    struct stat info {};
    TagStatus status;
    const int fd = openRegularFile(path, &info, &status);
    if (fd < 0) {
        return TagResult<ReadableFile>::failure(std::move(status));
    }
    return TagResult<ReadableFile>::success(ReadableFile(path, fd, qint64(info.st_size)));
}

ReadableFile::ReadableFile(QString path, int fd, qint64 size)
    : m_path(std::move(path))
    , m_fd(fd)
    , m_size(size) {}

ReadableFile::ReadableFile(ReadableFile&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_fd(std::exchange(other.m_fd, -1))
    , m_size(other.m_size) {}

ReadableFile& ReadableFile::operator=(ReadableFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_path = std::move(other.m_path);
        m_fd = std::exchange(other.m_fd, -1);
        m_size = other.m_size;
    }
    return *this;
}

ReadableFile::~ReadableFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

TagResult<QByteArray> ReadableFile::read(qint64 offset, qint64 length) const {
    return readAt(m_fd, m_size, offset, length, m_path);
}

TagResult<SourceFile> SourceFile::open(const QString& path) {
    if (TagStatus writable = checkWritable(path); !writable.ok()) {
        return TagResult<SourceFile>::failure(std::move(writable));
    }
    const QString target = resolvedTarget(path);
    struct stat info {};
    TagStatus status;
    const int fd = openRegularFile(target, &info, &status);
    if (fd < 0) {
        return TagResult<SourceFile>::failure(std::move(status));
    }
    return TagResult<SourceFile>::success(SourceFile(path, target, fd, info));
}

TagResult<QByteArray> SourceFile::read(qint64 offset, qint64 length) const {
    return readAt(m_fd, size(), offset, length, m_path);
}

TagResult<QByteArray> SourceFile::readAll() const {
    return read(0, size());
}

TagStatus SourceFile::replaceContents(const QByteArray& bytes) {
    return replace({SourceFile::bytes(bytes)});
}

TagStatus SourceFile::replaceHead(QByteArrayView head, qint64 restOffset) {
    return replace(
        {bytes(QByteArray::fromRawData(head.data(), head.size())), range(restOffset, size() - restOffset)});
}

TagStatus SourceFile::replace(const QList<Piece>& pieces) {
    const QByteArray target = paths::nativePath(m_target);
    const QByteArray folder = paths::nativePath(folderOf(m_target));
    const long nameLimit = ::pathconf(folder.constData(), _PC_NAME_MAX);
    QByteArray temporary =
        folder + '/' +
        temporaryName(target.mid(target.lastIndexOf('/') + 1), nameLimit > 0 ? nameLimit : 255);
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return platformFailure(QCoreApplication::translate("AtomicFile", "Cannot write next to “%1”: %2"),
                               m_path, errno);
    }
    // Every way out from here removes the temporary file, or says that it could not.
    const auto abandon = [&](TagStatus status) {
        if (fd >= 0) {
            ::close(fd);
        }
        if (::unlink(temporary.constData()) != 0) {
            status.message += u' ' + QCoreApplication::translate(
                                         "AtomicFile", "The temporary file “%1” could not be removed: %2")
                                         .arg(paths::displayText(paths::fromNativePath(temporary)),
                                              QString::fromLocal8Bit(std::strerror(errno)));
        }
        return status;
    };
    const auto failed = [&](const char* text) {
        return abandon(platformFailure(QCoreApplication::translate("AtomicFile", text), m_path, errno));
    };
    for (const Piece& piece : pieces) {
        qint64 copied = piece.sourceLength;
        if (piece.sourceOffset < 0 ? !writeFully(fd, piece.bytes.constData(), piece.bytes.size())
                                   : !copyRange(m_fd, piece.sourceOffset, piece.sourceLength, fd, &copied)) {
            return failed(QT_TRANSLATE_NOOP("AtomicFile", "Cannot write “%1”: %2"));
        }
        if (copied != piece.sourceLength) {
            return abandon(changedOnDisk(m_path)); // the file is shorter than when it was read
        }
    }
    if (!keepOwnerAndGroup(fd, m_opened)) {
        return abandon(TagStatus::failure(
            TagError::writeFailure,
            QCoreApplication::translate("AtomicFile",
                                        "“%1” belongs to another user and to a group you are not in: saved "
                                        "by you, it would be yours alone, so it was not written.")
                .arg(fileNameOf(m_path))));
    }
    // After the owner: a change of owner clears the setuid and setgid bits.
    if (::fchmod(fd, m_opened.st_mode & 07777) != 0) {
        return failed(QT_TRANSLATE_NOOP("AtomicFile", "Cannot write “%1”: %2"));
    }
    if (!copyExtendedAttributes(m_fd, fd)) {
        return failed(QT_TRANSLATE_NOOP("AtomicFile", "Cannot copy the extended attributes of “%1”: %2"));
    }
    if (::fsync(fd) != 0) {
        return failed(QT_TRANSLATE_NOOP("AtomicFile", "Cannot flush “%1”: %2"));
    }
    if (::close(std::exchange(fd, -1)) != 0) {
        return failed(QT_TRANSLATE_NOOP("AtomicFile", "Cannot write “%1”: %2"));
    }
    if (beforeReplacingHook) {
        beforeReplacingHook(m_target);
    }
    // The flush may take seconds (a USB stick): another program may have saved or removed the file
    // meanwhile, and putting our version in its place would undo that.
    struct stat now {};
    if (::stat(target.constData(), &now) != 0 || now.st_dev != m_opened.st_dev ||
        now.st_ino != m_opened.st_ino || now.st_size != m_opened.st_size ||
        now.st_ctim.tv_sec != m_opened.st_ctim.tv_sec || now.st_ctim.tv_nsec != m_opened.st_ctim.tv_nsec) {
        return abandon(changedOnDisk(m_path));
    }
    // Exchanged rather than renamed where the file system can: what then has the temporary name must be
    // the file opened, else the exchange is undone. This closes the gap between the check and the rename.
    if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) == 0) {
        struct stat old {};
        if (::lstat(temporary.constData(), &old) != 0 || old.st_dev != m_opened.st_dev ||
            old.st_ino != m_opened.st_ino) {
            ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE);
            return abandon(changedOnDisk(m_path));
        }
        ::unlink(temporary.constData());
    } else if (errno == ENOENT) {
        return abandon(changedOnDisk(m_path));
    } else if ((errno != EINVAL && errno != ENOSYS) ||
               ::rename(temporary.constData(), target.constData()) != 0) {
        return failed(QT_TRANSLATE_NOOP("AtomicFile", "Cannot replace “%1”: %2"));
    }
    syncFolder(folderOf(m_target));
    return TagStatus::success();
}

// ---- Functions on paths ----

TagResult<QByteArray> readWholeFile(const QString& path) {
    struct stat info {};
    TagStatus status;
    const int fd = openRegularFile(path, &info, &status);
    if (fd < 0) {
        return TagResult<QByteArray>::failure(std::move(status));
    }
    TagResult<QByteArray> bytes = readAt(fd, info.st_size, 0, info.st_size, path);
    ::close(fd);
    return bytes;
}

TagStatus replaceContents(const QString& path, const QByteArray& bytes) {
    TagResult<SourceFile> file = SourceFile::open(path);
    return file.ok() ? file.value->replaceContents(bytes) : file.status;
}

TagStatus replaceWithFile(const QString& path, const QString& replacement) {
    TagResult<QByteArray> bytes = readWholeFile(replacement);
    if (!bytes.ok()) {
        return bytes.status;
    }
    TagStatus status = replaceContents(path, *bytes.value);
    if (status.ok()) {
        ::unlink(paths::nativePath(replacement).constData());
    }
    return status;
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

QByteArray temporaryName(QByteArrayView fileName, qsizetype nameLimit) {
    static constexpr QByteArrayView suffix = ".XXXXXX";
    const qsizetype room = nameLimit - qsizetype(sizeof kTempPrefix - 1) - suffix.size();
    qsizetype cut = std::clamp<qsizetype>(room, 0, std::min<qsizetype>(64, fileName.size()));
    // Back to the start of the character cut through: UTF-8 continuation bytes are 10xxxxxx.
    while (cut > 0 && cut < fileName.size() && (quint8(fileName[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return kTempPrefix + fileName.first(cut).toByteArray() + suffix.toByteArray();
}

void setBeforeReplacingHookForTests(void (*hook)(const QString& target)) {
    beforeReplacingHook = hook;
}

} // namespace quirella::atomicfile
