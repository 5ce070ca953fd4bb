// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Trash.h"

#include "model/NoReplaceMove.h"
#include "model/Paths.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quirella::trash {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// QFile::moveToTrash (Qt 6.4) falls back to "files" and "info" folders below the current working folder
// when it cannot set up the trash in the user's data folder. The trash is made here first, and a file is
// never trashed when that fails.
std::optional<QString> prepareHomeTrash(QString& trash) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    trash = data + QStringLiteral("/Trash");
    if (!data.isEmpty() && QDir().mkpath(data) && !QFileInfo::exists(trash)) {
        QDir(data).mkdir(QStringLiteral("Trash"),
                         QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    if (data.isEmpty() || !QFileInfo(trash).isDir()) {
        return QCoreApplication::translate("Trash", "The trash folder “%1” cannot be created.").arg(trash);
    }
    return std::nullopt;
}

bool makeFolder(const QByteArray& path) {
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

// "name.mp3", then "name 2.mp3", "name 3.mp3", ...
QByteArray trashedName(const QByteArray& name, int attempt) {
    if (attempt == 1) {
        return name;
    }
    const qsizetype dot = name.lastIndexOf('.');
    const qsizetype split = dot > 0 ? dot : name.size();
    return name.left(split) + ' ' + QByteArray::number(attempt) + name.mid(split);
}

// Qt's trash takes names as text and cannot move a file whose name is not UTF-8. Such a file goes into
// the home trash here, byte for byte: an info file is reserved under a free name first (which is what
// makes the name ours), then the file moves in without replacing anything.
std::optional<QString> moveBytesToHomeTrash(const QByteArray& file, const QString& trash) {
    const QByteArray trashBytes = paths::nativePath(trash);
    const QByteArray files = trashBytes + "/files/";
    const QByteArray infos = trashBytes + "/info/";
    if (!makeFolder(files) || !makeFolder(infos)) {
        return systemReason(errno);
    }
    const QByteArray info = "[Trash Info]\nPath=" + file.toPercentEncoding("/") + "\nDeletionDate=" +
                            QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toLatin1() + '\n';
    const QByteArray name = file.mid(file.lastIndexOf('/') + 1);
    for (int attempt = 1; attempt <= 10000; ++attempt) {
        const QByteArray candidate = trashedName(name, attempt);
        const QByteArray infoPath = infos + candidate + ".trashinfo";
        const int fd =
            ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return systemReason(errno);
        }
        QFile infoFile;
        const bool written = infoFile.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                             infoFile.write(info) == info.size() && infoFile.flush();
        const QString writeError = infoFile.errorString();
        infoFile.close();
        if (!written) {
            ::unlink(infoPath.constData());
            return writeError;
        }
        const MoveResult moved = moveWithoutReplacing(file, files + candidate);
        if (moved.code == MoveResult::Code::moved) {
            return std::nullopt;
        }
        ::unlink(infoPath.constData());
        if (moved.code == MoveResult::Code::failed) {
            return moved.description;
        }
    }
    return systemReason(EEXIST);
}

} // namespace

std::optional<QString> moveToTrash(const QString& path) {
    QString trash;
    if (std::optional<QString> error = prepareHomeTrash(trash)) {
        return error;
    }
    const QString absolute = paths::absolutePath(path);
    if (paths::hasEscapedBytes(absolute)) {
        return moveBytesToHomeTrash(paths::nativePath(absolute), trash);
    }
    QFile file(absolute);
    if (!file.moveToTrash()) {
        return file.errorString();
    }
    return std::nullopt;
}

} // namespace quirella::trash
