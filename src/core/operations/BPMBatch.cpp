// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/BPMBatch.h"

#include "app/ContentViewModel.h"
#include "model/Bookmark.h"
#include "model/Continuation.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

struct Walk {
    // The tempo found for each song of the snapshot, by index; absent where none was found.
    std::vector<std::optional<qint64>> tempi;
    int analyzedCount = 0;
    int failureCount = 0;
    bool cancelled = false;
};

Walk analyzeSongs(const QList<Song>& songs, int candidates, bool largeBatch, ProgressManager* progress,
                  const std::shared_ptr<std::atomic<bool>>& cancelFlag, const BPMBatchOptions& options) {
    const auto count = static_cast<int>(songs.size());
    Walk walk;
    walk.tempi.resize(std::size_t(count));
    const std::function<BPMResult(const QString&)> analyze =
        options.analyzer ? options.analyzer
                         : [](const QString& path) { return BPMAnalyzer::analyzeBPM(path); };
    const auto stopped = [&] { return cancelFlag->load() || (largeBatch && progress->isCancelled()); };

    std::atomic<int> next{0};
    // Guards the counts, and keeps the progress updates in the order of the counts they report.
    std::mutex reporting;
    const auto worker = [&] {
        for (;;) {
            if (stopped()) {
                return;
            }
            const int index = next.fetch_add(1);
            if (index >= count) {
                return;
            }
            const Song& song = songs.at(index);
            if (song.duration >= maximumAnalysedDuration) {
                walk.tempi[std::size_t(index)] = 0;
                continue;
            }
            const bookmark::Resolution resolved = bookmark::resolve(song.bookmarkData);
            if (!resolved.path) {
                const std::lock_guard lock(reporting);
                ++walk.failureCount;
                continue;
            }
            const bookmark::ScopedAccess access(*resolved.path);
            if (!access.granted()) {
                continue; // refused access is not counted
            }
            const BPMResult result = analyze(*resolved.path);
            const std::lock_guard lock(reporting);
            if (!result.ok()) {
                ++walk.failureCount;
                continue;
            }
            walk.tempi[std::size_t(index)] = *result.bpm;
            ++walk.analyzedCount;
            if (largeBatch) {
                progress->updateProgress(walk.analyzedCount, candidates,
                                         QCoreApplication::translate("BPMBatch", "Song %1 of %2 - BPM: %3")
                                             .arg(walk.analyzedCount)
                                             .arg(candidates)
                                             .arg(*result.bpm));
            }
        }
    };
    const int threads = std::max(
        1, std::min(options.concurrency > 0 ? options.concurrency : QThread::idealThreadCount(), count));
    // A pool of its own: the workers wait on nothing but their files, and the global pool stays free
    // for the window's other work.
    QThreadPool pool;
    pool.setMaxThreadCount(threads);
    for (int i = 0; i < threads; ++i) {
        pool.start(worker);
    }
    pool.waitForDone();
    walk.cancelled = stopped();
    return walk;
}

} // namespace

QFuture<BPMBatchResult> analyzeBPMForAllSongs(ContentViewModel* viewModel, PlaybackHooks playback,
                                              BPMBatchOptions options) {
    Q_ASSERT(viewModel);
    if (!viewModel->currentFolder()) {
        return QtFuture::makeReadyFuture(BPMBatchResult{});
    }
    if (playback.isPlaying && playback.isPlaying() && playback.stop) {
        playback.stop();
    }
    const MusicFolder snapshot = *viewModel->currentFolder();
    int candidates = 0;
    for (const Song& song : snapshot.songs) {
        candidates += song.duration < maximumAnalysedDuration ? 1 : 0;
    }
    const bool largeBatch = candidates > ProgressManager::minimumSongsForProgress;
    ProgressManager* progress = &viewModel->progressManager();
    auto cancelFlag = std::make_shared<std::atomic<bool>>(false);
    if (largeBatch) {
        progress->startOperation({ProgressManager::OperationType::analyzingBPM,
                                  QCoreApplication::translate("BPMBatch", "Analyzing BPM..."), QString(),
                                  candidates, true, [cancelFlag] { cancelFlag->store(true); }});
    } else {
        viewModel->toastManager().show(
            QCoreApplication::translate("BPMBatch", "🎵 Analyzing BPM for %n songs...", nullptr, candidates),
            ToastManager::ToastType::info);
    }
    return continueOn(
        QtConcurrent::run([songs = snapshot.songs, candidates, largeBatch, progress, cancelFlag, options] {
            return analyzeSongs(songs, candidates, largeBatch, progress, cancelFlag, options);
        }),
        viewModel, [viewModel, snapshot, largeBatch](const Walk& walk) {
            // Stored by song id into the folder as it is now, so that edits made while the analysis ran
            // are kept. A folder loaded meanwhile is another folder: the tempi are dropped.
            if (viewModel->currentFolder() && viewModel->currentFolder()->id == snapshot.id) {
                QHash<QUuid, qint64> found;
                for (qsizetype i = 0; i < snapshot.songs.size(); ++i) {
                    if (const std::optional<qint64>& tempo = walk.tempi[std::size_t(i)]) {
                        found.insert(snapshot.songs.at(i).id, *tempo);
                    }
                }
                MusicFolder changed = *viewModel->currentFolder();
                for (Song& song : changed.songs) {
                    if (const auto tempo = found.constFind(song.id); tempo != found.constEnd()) {
                        song.bpm = *tempo;
                    }
                }
                viewModel->setCurrentFolder(std::move(changed));
                viewModel->refreshAfterChange();
            }
            BPMBatchResult result;
            result.analyzedCount = walk.analyzedCount;
            result.failureCount = walk.failureCount;
            result.cancelled = walk.cancelled;
            if (largeBatch) {
                viewModel->progressManager().finishOperation();
                return result;
            }
            if (result.failureCount > 0) {
                result.report = BPMBatchResult::Report::warningToast;
                result.message = QCoreApplication::translate("BPMBatch", "⚠️ BPM: %1 analyzed, %2 failed")
                                     .arg(result.analyzedCount)
                                     .arg(result.failureCount);
                viewModel->toastManager().show(result.message, ToastManager::ToastType::warning);
            } else {
                result.report = BPMBatchResult::Report::successToast;
                result.message = QCoreApplication::translate("BPMBatch", "✅ BPM analyzed for %n songs!",
                                                             nullptr, result.analyzedCount);
                viewModel->toastManager().show(result.message, ToastManager::ToastType::success);
            }
            return result;
        });
}

} // namespace quirella
