#include "SongTargets.h"

#include "app/FolderScanner.h"

#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;

namespace quirella::cli {

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
        const QFileInfo info(path);
        if (!info.isDir()) {
            add(info.absoluteFilePath());
            continue;
        }
        const FolderScan scan = scanFolder(info.absoluteFilePath());
        if (!scan.ok()) {
            targets.error = u"Error loading folder: "_s + *scan.error;
            return targets;
        }
        for (const QString& file : scan.files) {
            add(file);
        }
    }
    return targets;
}

} // namespace quirella::cli
