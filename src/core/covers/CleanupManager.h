// SPDX-License-Identifier: GPL-3.0-or-later
// What the application leaves behind and removes again: cover files and M4A working copies in the
// private temporary folder, cover-like files in the cache folder and its tmp, the converted-cover cache
// and the user's preferences. Every removal is best effort: a folder that cannot be listed or a file that
// cannot be removed is skipped silently.
//
// Only folders the application owns are ever touched (the private temporary folder, never the shared
// system one). Callers decide when removing files is safe: another process of ours may be using them.
#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace quirella {

class CleanupManager {
public:
    // The preferences a reset keeps; besides these, keys starting with "NS" or "Apple" stay.
    static QStringList keptPreferenceKeys();

    // Names (compared in lower case) of the cover and working files we write to the temporary folder.
    static bool isTemporaryCoverFile(QStringView name);
    // Names of cover-like files in the cache folder.
    static bool isCachedCoverFile(QStringView name);

    // The private temporary folder, flat: every entry whose name is a temporary cover file. Returns how
    // many files were removed. An empty folder argument means the default location.
    static int cleanTemporaryDirectory(const QString& folder = {});
    // The cache folder, recursively, hidden files skipped, folders kept; "cache.db", "cache.db-shm",
    // "cache.db-wal" and anything under "fsCachedData" stay; cached cover files go.
    static int cleanCacheFolder(const QString& folder = {});
    // The tmp folder inside the cache folder, flat, by the temporary-folder rule.
    static int cleanLibraryTmpFolder(const QString& folder = {});
    // The M4A writer's working copies: names containing "Quirella_M4A_" (exactly so) and ending ".m4a".
    static int removeTemporaryM4AFiles(const QString& folder = {});

    static void clearImageCache();
    // Removes every preference of the application except the kept ones.
    static void resetUserDefaults();
};

} // namespace quirella
