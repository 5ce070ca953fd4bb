// SPDX-License-Identifier: GPL-3.0-or-later
// "Auto-Search All Covers / Genres / Years": fills in what the loaded folder lacks by asking the
// catalogues, one song per work item, at most eight items at once. Results change the songs in memory
// only (they reach the files with WRITE TAGS) and record no undo step.
//
// The run starts and ends on the UI thread; the work items run on the look-up manager's pool and touch
// none of the run's state. A run of 20 songs or more shows the progress overlay, whose stop button ends
// it: the items in flight are still awaited, then every result is discarded.
#pragma once

#include "model/Song.h"
#include "model/ToastManager.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace quirella {

class MusicMetadataManager;
class ProgressManager;

enum class AutoSearchField { covers, genres, years };

// The menu entry's text, "Auto-Search All Covers" and so on.
QString autoSearchTitle(AutoSearchField field);

// Whether the song is searched: no cover, an empty genre, year 0.
bool needsAutoSearch(AutoSearchField field, const Song& song);

// A value found for one song: a cover file path or a genre in `text`, or a year.
struct AutoSearchValue {
    QUuid songId;
    QString text;
    int year = 0;
};

// Writes the values into the songs of `folder` that have their ids; songs that are gone are skipped.
void applyAutoSearchValues(MusicFolder& folder, AutoSearchField field, const QList<AutoSearchValue>& values);

struct AutoSearchOutcome {
    enum class Ending { offline, noFolder, nothingToSearch, finished, cancelled };
    Ending ending = Ending::noFolder;
    int searched = 0;
    int found = 0;
    int failed = 0;
    QList<AutoSearchValue> values; // what was applied; empty when cancelled
    QString toast;                 // the final toast's text; empty when none was shown
    ToastManager::ToastType toastType = ToastManager::ToastType::info;
};

struct AutoSearchHooks {
    MusicMetadataManager* manager = nullptr;
    ProgressManager* progress = nullptr;
    ToastManager* toasts = nullptr;
    bool isOnlineMode = true;
    // Receives the found values on the UI thread unless the run was cancelled, before the overlay closes
    // and the final toast shows.
    std::function<void(const QList<AutoSearchValue>&)> apply;
    int maxInFlight = 8;
};

// Starts a run over the folder's songs (a copy is taken now). Call on the thread that owns the progress
// and toast managers; the future finishes on that thread after the final toast.
QFuture<AutoSearchOutcome> startAutoSearch(AutoSearchField field, const std::optional<MusicFolder>& folder,
                                           AutoSearchHooks hooks);

} // namespace quirella
