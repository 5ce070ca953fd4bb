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

std::optional<QString> unusablePath(const QString& path) {
    struct stat info {};
    const bool found = ::stat(paths::nativePath(path).constData(), &info) == 0;
    if (found && S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (!name.contains(u'.') || !isSupportedExtension(QStringView(name).mid(name.lastIndexOf(u'.') + 1))) {
        return QCoreApplication::translate("Cli", "%1: not a supported music file")
            .arg(paths::displayText(path));
    }
    if (found && !S_ISREG(info.st_mode)) {
        return QCoreApplication::translate("Cli", "%1: not a regular file but a pipe or a device; left alone")
            .arg(paths::displayText(path));
    }
    return std::nullopt;
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
        const QString absolute = paths::canonicalPath(path);
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
