// SPDX-License-Identifier: GPL-3.0-or-later
#include "SongTargets.h"

#include "app/FolderScanner.h"
#include "model/Paths.h"

#include <QCoreApplication>
#include <QSet>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace quirella::cli {

bool pathExists(const QString& path) {
    struct stat info {};
    return ::stat(paths::nativePath(path).constData(), &info) == 0;
}

bool isFolder(const QString& path) {
    struct stat info {};
    return ::stat(paths::nativePath(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

WriteTargets collectFiles(const QStringList& paths) {
    WriteTargets targets;
    QSet<QString> seen;
    const auto add = [&](const QString& file) {
        if (!seen.contains(file)) {
            seen.insert(file);
            targets.files.append(file);
        }
    };
    for (const QString& path : paths) {
        const QString absolute = paths::absolutePath(path);
        if (!isFolder(absolute)) {
            add(absolute);
            continue;
        }
        const FolderScan scan = scanFolder(absolute);
        if (!scan.ok()) {
            targets.error = QCoreApplication::translate("Cli", "Error loading folder: %1").arg(*scan.error);
            return targets;
        }
        for (const QString& file : scan.files) {
            add(file);
        }
    }
    return targets;
}

} // namespace quirella::cli
