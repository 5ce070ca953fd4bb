// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the music files below a dropped folder.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace quirella {

// The extensions a folder load lists, in lower case; every one has a writer.
inline constexpr QLatin1StringView supportedExtensions[] = {
    QLatin1StringView("mp3"),  QLatin1StringView("wav"),  QLatin1StringView("m4a"),
    QLatin1StringView("flac"), QLatin1StringView("aiff"), QLatin1StringView("aif"),
    QLatin1StringView("ogg"),  QLatin1StringView("oga"),  QLatin1StringView("opus")};

// Whether a file extension (without the dot, in any case) is one of the supported ones.
bool isSupportedExtension(QStringView extension);

struct [[nodiscard]] FolderScan {
    QStringList files;            // absolute paths, escaped where not UTF-8 (Paths.h), in walk order
    std::optional<QString> error; // set when the folder could not be walked at all

    bool ok() const { return !error.has_value(); }
};

// Natural name order: runs of digits compare as numbers ("Track 2" before "Track 10"), the rest
// case-insensitively. Returns -1, 0 or 1.
int compareNaturally(QStringView a, QStringView b);

// Walks the folder recursively and keeps the regular files with a supported extension. Each folder's
// entries are visited in natural name order (numbers as numbers, case-insensitive), subfolders at their
// place among the files, so that an unsorted folder lists as a file manager shows it. Hidden files and hidden
// folders are skipped, and links to folders are not followed, so a link back up the tree cannot make the walk
// loop. An entry whose file type cannot be read is reported on standard error ("Error checking file: ...")
// and skipped. Each folder visited is also swept of our own stale temporary files (see AtomicFile.h).
// Blocking: run it off the UI thread.
FolderScan scanFolder(const QString& folderPath);

} // namespace quirella
