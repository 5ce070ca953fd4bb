#include "app/FolderScanner.h"

#include "tags/AtomicFile.h"

#include <QDebug>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace quirella {

bool isSupportedExtension(QStringView extension) {
    for (const QLatin1StringView supported : supportedExtensions) {
        if (extension.compare(supported, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

FolderScan scanFolder(const QString& folderPath) {
    const QFileInfo folder(folderPath);
    if (!folder.isDir()) {
        return {{}, QStringLiteral("The folder “%1” doesn’t exist.").arg(folder.fileName())};
    }
    if (!folder.isReadable() || !folder.isExecutable()) {
        return {{},
                QStringLiteral("You don’t have permission to view the folder “%1”.").arg(folder.fileName())};
    }
    const QString root = folder.absoluteFilePath();

    // The whole listing first, then one look at each candidate. Without QDir::Hidden the iterator
    // neither lists nor enters hidden entries; without FollowSymlinks it does not enter linked folders.
    // QDir::System brings dangling links into the listing, so that they are reported below.
    QStringList candidates;
    (void)atomicfile::sweepStaleTemporaryFiles(root);
    QDirIterator walk(root, QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        walk.next();
        const QFileInfo entry = walk.fileInfo();
        if (entry.isDir()) {
            if (!entry.isSymLink()) {
                (void)atomicfile::sweepStaleTemporaryFiles(entry.filePath());
            }
            continue;
        }
        // The extension test comes first: a stray file of another kind is never looked at.
        if (isSupportedExtension(entry.suffix())) {
            candidates.append(entry.filePath());
        }
    }

    FolderScan scan;
    for (const QString& path : std::as_const(candidates)) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
            const int error = errno;
            qWarning().noquote() << QStringLiteral("Error checking file: ") + path + QStringLiteral(": ") +
                                        QString::fromLocal8Bit(std::strerror(error));
            continue;
        }
        if (S_ISREG(info.st_mode)) {
            scan.files.append(path);
        }
    }
    return scan;
}

} // namespace quirella
