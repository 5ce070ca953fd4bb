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

// Walks folders off the UI thread's way: call it through QtConcurrent.
WriteTargets collectFiles(const QStringList& paths);

} // namespace quirella::cli
