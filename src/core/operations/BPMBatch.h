// SPDX-License-Identifier: GPL-3.0-or-later
// "Search BPM": the tempo of every song of the loaded folder, stored in the songs' `bpm` field (in memory;
// it reaches file names only through the "[BPM] Artist - Title" rename pattern).
#pragma once

#include "audio/BPMAnalyzer.h"
#include "operations/TagWritingBatch.h"

#include <QFuture>
#include <QString>

#include <functional>

namespace quirella {

class ContentViewModel;

// Songs this long or longer (mixes) are not analysed; their tempo is set to 0.
inline constexpr double maximumAnalysedDuration = 900.0;

struct BPMBatchResult {
    enum class Report { none, successToast, warningToast };
    int analyzedCount = 0;
    int failureCount = 0;
    bool cancelled = false;
    Report report = Report::none;
    QString message; // the final toast; empty for a large batch, which ends with the overlay
};

struct BPMBatchOptions {
    // Files analysed at once; 0 means one per processor. The stored values, counts and texts do not
    // depend on it.
    int concurrency = 0;
    // Stands in for the analyser when set (tests).
    std::function<BPMResult(const QString& path)> analyzer;
};

// Analyses the current folder's songs off the UI thread. A folder of more than 20 songs to analyse gets
// the cancellable overlay; cancelling keeps the tempi found so far. The tempi are stored by song id into
// the folder that is current at the end (edits made meanwhile are kept); no undo step is recorded.
// The future finishes once the results are applied. Without a folder it finishes at once.
QFuture<BPMBatchResult> analyzeBPMForAllSongs(ContentViewModel* viewModel, PlaybackHooks playback = {},
                                              BPMBatchOptions options = {});

} // namespace quirella
