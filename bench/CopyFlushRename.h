// SPDX-License-Identifier: GPL-3.0-or-later
// The floor the tag-writing benchmarks compare against: replacing a file with a flushed copy of itself,
// the least any safe in-place save does.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

inline bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// One file: read it, write a copy next to it, fsync, rename over the original, fsync the folder.
inline bool copyFlushRename(const QString& path) {
    const QByteArray source = QFile::encodeName(path);
    const QByteArray temp = source + ".floor-tmp";
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = in.readAll();
    in.close();
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = writeAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temp.constData(), source.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    const int dir =
        ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace bench
