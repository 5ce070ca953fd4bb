// SPDX-License-Identifier: GPL-3.0-or-later
// The files that `write` and `edit` build songs from: files as given, folders by their music files, each
// file once.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quirella::cli {

struct WriteTargets {
    QStringList files;
    std::optional<QString> error; // a folder that could not be walked
};

// Looks at the paths given as they are: names that are not UTF-8 keep their bytes (see Paths.h), and
// QFileInfo, which would replace them, is not used on them.
bool pathExists(const QString& path);
bool isFolder(const QString& path);
// Why a path given to `write` or `edit` is left out, as a line for the terminal: not a folder and not a
// file of a supported format, or no regular file (a pipe would block the loading, a device never end).
std::optional<QString> unusablePath(const QString& path);

// Walks folders off the UI thread's way: call it through QtConcurrent.
WriteTargets collectFiles(const QStringList& paths);

} // namespace quirella::cli
