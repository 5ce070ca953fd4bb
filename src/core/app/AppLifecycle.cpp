#include "app/AppLifecycle.h"

#include "covers/ImageProcessor.h"
#include "model/Paths.h"
#include "online/MetadataCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quirella::lifecycle {

bool isStaleTemporaryFileName(QStringView name) {
    static constexpr QLatin1StringView coverPrefixes[] = {
        QLatin1StringView("Cover_"), QLatin1StringView("WAV_Cover_"), QLatin1StringView("AutoCover_"),
        QLatin1StringView("Quirella_Cover_")};
    if (name.endsWith(QLatin1StringView(".jpg"))) {
        for (const QLatin1StringView prefix : coverPrefixes) {
            if (name.startsWith(prefix)) {
                return true;
            }
        }
    }
    return name.startsWith(QLatin1StringView("Quirella_M4A_")) && name.endsWith(QLatin1StringView(".m4a"));
}

int removeStaleTemporaryFiles(const QString& folder) {
    if (folder.isEmpty()) {
        return 0;
    }
    int removed = 0;
    // Hidden and system entries are listed too: a dangling link of ours is still ours to remove, and
    // QFile::remove deletes a link, never what it points at.
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() || !isStaleTemporaryFileName(entry.fileName())) {
            continue;
        }
        if (QFile::remove(entry.absoluteFilePath())) {
            ++removed;
        }
    }
    return removed;
}

QList<Step> startupSteps() {
    return {
        // Only our own folder: /tmp is shared with other programs.
        {QStringLiteral("remove stale temporary files"),
         [] { removeStaleTemporaryFiles(paths::privateTempDir()); }},
        {QStringLiteral("clear the image cache"), [] { ImageProcessor::clearCache(); }},
        {QStringLiteral("clear the look-up cache"), [] { MetadataCache::instance().clear(); }},
    };
}

QList<Step> exitSteps() {
    return {
        {QStringLiteral("clear the image cache"), [] { ImageProcessor::clearCache(); }},
        {QStringLiteral("clear the look-up cache"), [] { MetadataCache::instance().clear(); }},
    };
}

void run(const QList<Step>& steps) {
    for (const Step& step : steps) {
        step.run();
    }
}

void runStartup() {
    run(startupSteps());
}

void runExit() {
    run(exitSteps());
}

} // namespace quirella::lifecycle
