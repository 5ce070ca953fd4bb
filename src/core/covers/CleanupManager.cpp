// SPDX-License-Identifier: GPL-3.0-or-later
#include "covers/CleanupManager.h"

#include "covers/ImageProcessor.h"
#include "model/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace quirella {

namespace {

bool startsWithAny(QStringView name, std::initializer_list<QLatin1StringView> prefixes) {
    for (const QLatin1StringView prefix : prefixes) {
        if (name.startsWith(prefix)) {
            return true;
        }
    }
    return false;
}

bool isImageName(QStringView name) {
    return name.endsWith(QLatin1StringView(".jpg")) || name.endsWith(QLatin1StringView(".png")) ||
           name.endsWith(QLatin1StringView(".jpeg"));
}

// Removes the files (and links: never what they point at) directly in `folder` that `matches` names.
template <typename Predicate>
int removeFlat(const QString& folder, Predicate matches) {
    if (folder.isEmpty()) {
        return 0;
    }
    int removed = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            continue;
        }
        if (matches(entry.fileName()) && QFile::remove(entry.absoluteFilePath())) {
            ++removed;
        }
    }
    return removed;
}

} // namespace

QStringList CleanupManager::keptPreferenceKeys() {
    QStringList keys{QStringLiteral("selectedTheme"),       QStringLiteral("PlayerVolume"),
                     QStringLiteral("VisibleColumns"),      QStringLiteral("artistColumnWidth"),
                     QStringLiteral("PreferredSortColumn"), QStringLiteral("PreferredSortAscending")};
    for (int i = 1; i <= 10; ++i) {
        keys.append(QStringLiteral("SearchText%1").arg(i));
    }
    keys.append(QStringLiteral("GlobalReplaceText"));
    keys.append(QStringLiteral("NetworkModeEnabled"));
    return keys;
}

bool CleanupManager::isTemporaryCoverFile(QStringView name) {
    const QString lower = name.toString().toLower();
    return startsWithAny(lower, {QLatin1StringView("quirella_"), QLatin1StringView("cover_"),
                                 QLatin1StringView("wav_cover_"), QLatin1StringView("autocover_"),
                                 QLatin1StringView("temp_cover_")}) ||
           lower.contains(QLatin1StringView("quirella_temp_")) ||
           lower.contains(QLatin1StringView("quirella_m4a_")) ||
           (isImageName(lower) && lower.contains(QLatin1StringView("_cover_")));
}

bool CleanupManager::isCachedCoverFile(QStringView name) {
    const QString lower = name.toString().toLower();
    return startsWithAny(lower, {QLatin1StringView("cover_"), QLatin1StringView("quirella_cover_"),
                                 QLatin1StringView("wav_cover_"), QLatin1StringView("autocover_"),
                                 QLatin1StringView("quirella_temp_"), QLatin1StringView("temp_")}) ||
           (isImageName(lower) && lower.contains(QLatin1StringView("cover")));
}

int CleanupManager::cleanTemporaryDirectory(const QString& folder) {
    return removeFlat(folder.isEmpty() ? paths::privateTempDir() : folder,
                      [](const QString& name) { return isTemporaryCoverFile(name); });
}

int CleanupManager::cleanLibraryTmpFolder(const QString& folder) {
    return removeFlat(folder.isEmpty() ? paths::libraryTmpDir() : folder,
                      [](const QString& name) { return isTemporaryCoverFile(name); });
}

int CleanupManager::removeTemporaryM4AFiles(const QString& folder) {
    return removeFlat(folder.isEmpty() ? paths::privateTempDir() : folder, [](const QString& name) {
        return name.contains(QLatin1StringView("Quirella_M4A_")) && name.endsWith(QLatin1StringView(".m4a"));
    });
}

int CleanupManager::cleanCacheFolder(const QString& folder) {
    const QString root = folder.isEmpty() ? paths::cacheDir() : folder;
    if (root.isEmpty() || !QFileInfo(root).isDir()) {
        return 0;
    }
    int removed = 0;
    // Hidden entries are skipped, and links to folders are not followed out of the cache folder.
    QDirIterator walk(root, QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (walk.hasNext()) {
        const QString path = walk.next();
        const QFileInfo entry = walk.fileInfo();
        const QString name = entry.fileName().toLower();
        if (name == QLatin1StringView("cache.db") || name == QLatin1StringView("cache.db-shm") ||
            name == QLatin1StringView("cache.db-wal") || path.contains(QLatin1StringView("fsCachedData"))) {
            continue;
        }
        if (isCachedCoverFile(name) && QFile::remove(path)) {
            ++removed;
        }
    }
    return removed;
}

void CleanupManager::clearImageCache() {
    ImageProcessor::clearCache();
}

void CleanupManager::resetUserDefaults() {
    QSettings settings;
    const QStringList kept = keptPreferenceKeys();
    const QStringList keys = settings.allKeys();
    for (const QString& key : keys) {
        if (kept.contains(key) || key.startsWith(QLatin1StringView("NS")) ||
            key.startsWith(QLatin1StringView("Apple"))) {
            continue;
        }
        settings.remove(key);
    }
    settings.sync();
}

} // namespace quirella
