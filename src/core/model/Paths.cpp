#include "model/Paths.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
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

} // namespace quirella::paths
