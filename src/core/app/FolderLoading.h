// SPDX-License-Identifier: GPL-3.0-or-later
// The limits of a folder load and the song building it shares with the silent reload and the command
// line.
#pragma once

#include "model/Song.h"

#include <QList>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace quirella {

class ProgressManager;

// A folder with more supported files than the largest folder the user allows is refused; this is the
// allowance until the user raises it (ContentViewModel::setMaximumSongs).
inline constexpr int defaultMaximumSongsPerFolder = 1000;
// The allowances the preferences offer.
inline constexpr std::array<int, 5> largestFolderChoices{1000, 5000, 10000, 50000, 100000};
// Songs are built this many at a time: it bounds the files open at once and paces the progress updates.
inline constexpr int songBatchSize = 50;

// Builds the songs of the files, batch after batch, each batch concurrently on the free threads of the
// global thread pool and on the calling thread. Files that give no song are left out; the songs keep the
// order of the files. Before each batch the count of songs built so far is reported to `progress` (when
// given; the call is thread-safe). Blocking: run it off the UI thread.
QList<Song> createSongs(const QStringList& filePaths, ProgressManager* progress);
// The same with `build` making each song (createSong when empty); an exception it throws ends the call.
// Once `stop` (when given) is set, no further batch is started and the songs built so far are returned.
using SongFactory = std::function<std::optional<Song>(const QString& filePath)>;
QList<Song> createSongsWith(const QStringList& filePaths, ProgressManager* progress, const SongFactory& build,
                            std::shared_ptr<const std::atomic<bool>> stop = nullptr);

} // namespace quirella
