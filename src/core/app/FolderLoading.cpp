// SPDX-License-Identifier: GPL-3.0-or-later
// Folder loading: validating the dropped location, scanning it, building the songs and making the folder
// current. Every look at the disk happens on worker threads; the view model's state, the alert, the
// overlay and the toasts are changed only here on the UI thread, in the continuations.
#include "app/FolderLoading.h"

#include "app/ContentViewModel.h"
#include "app/FolderScanner.h"
#include "app/SongBuilder.h"
#include "model/Continuation.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/Sorting.h"
#include "model/ToastManager.h"

#include <QMutex>
#include <QPromise>
#include <QSemaphore>
#include <QThreadPool>
#include <QUnhandledException>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace quirella {

struct ContentViewModel::FolderLoad {
    enum class Kind { load, reload };
    Kind kind = Kind::load;
    QUrl location;
    bool overlayShown = false;
    SongFactory build; // as set when the load was asked for
    QPromise<void> done;
    // Set by the overlay's stop button; the songs are then not built further.
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    // What was shown before the load put it away, brought back when the user stops the load.
    std::optional<MusicFolder> previous;
    int previousTotal = 0;
};

namespace {

// What the threads building one batch share. Held by each of them, so that a helper that has just
// reported its end still finds it.
struct BatchBuild {
    BatchBuild(const QStringList& batchFiles, const SongFactory& factory)
        : files(batchFiles)
        , make(factory)
        , songs(static_cast<size_t>(batchFiles.size())) {}

    // Takes the next file until none is left; the first exception stops every thread.
    void work() {
        for (qsizetype index = next++; index < files.size() && !failed; index = next++) {
            try {
                songs[static_cast<size_t>(index)] = make(files.at(index));
            } catch (...) {
                const QMutexLocker lock(&failureMutex);
                if (!failure) {
                    failure = std::current_exception();
                }
                failed = true;
            }
        }
    }

    const QStringList& files;
    const SongFactory& make;
    std::vector<std::optional<Song>> songs; // one slot per file, each written by one thread only
    std::atomic<qsizetype> next{0};
    std::atomic<bool> failed{false};
    QMutex failureMutex;
    std::exception_ptr failure;
    QSemaphore helpersDone;
};

// The songs of one batch, built on every thread the global pool can give at once, the calling thread
// included. QtConcurrent's blocking calls leave the caller waiting; as loading runs on a pool thread
// itself, that idle caller holds one of the pool's threads and the batch gets a single worker. Helpers
// are only ever started on free threads, so the call never waits for a thread that is busy elsewhere,
// and it finishes on the calling thread alone when the pool is full.
std::vector<std::optional<Song>> buildBatch(const QStringList& files, const SongFactory& make) {
    const auto build = std::make_shared<BatchBuild>(files, make);
    QThreadPool* pool = QThreadPool::globalInstance();
    const qsizetype wanted = std::min<qsizetype>(pool->maxThreadCount() - 1, files.size() - 1);
    int helpers = 0;
    while (helpers < wanted && pool->tryStart([build] {
        build->work();
        build->helpersDone.release();
    })) {
        ++helpers;
    }
    build->work();
    build->helpersDone.acquire(helpers);
    if (build->failure) {
        std::rethrow_exception(build->failure);
    }
    return std::move(build->songs);
}

} // namespace

QList<Song> createSongs(const QStringList& filePaths, ProgressManager* progress) {
    return createSongsWith(filePaths, progress, {});
}

QList<Song> createSongsWith(const QStringList& filePaths, ProgressManager* progress, const SongFactory& build,
                            std::shared_ptr<const std::atomic<bool>> stop) {
    const SongFactory& make = build ? build : SongFactory(createSong);
    const auto total = static_cast<int>(filePaths.size());
    QList<Song> songs;
    songs.reserve(total);
    int built = 0;
    for (int start = 0; start < total && !(stop && *stop); start += songBatchSize) {
        if (progress) {
            progress->updateProgress(built, total);
        }
        const QStringList batch = filePaths.mid(start, songBatchSize);
        for (std::optional<Song>& song : buildBatch(batch, make)) {
            if (song) {
                songs.append(std::move(*song));
                ++built;
            }
        }
    }
    return songs;
}

namespace {

bool isExistingFolder(const QUrl& location) {
    struct stat info {};
    return location.isLocalFile() &&
           ::stat(paths::nativePath(location.toLocalFile()).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// What a failed step of the load says: the message of what was thrown, looking through the wrapper
// QtConcurrent puts around exceptions it does not know.
QString describeFailure(const std::exception& failure) {
    if (const auto* wrapped = dynamic_cast<const QUnhandledException*>(&failure);
        wrapped && wrapped->exception()) {
        try {
            std::rethrow_exception(wrapped->exception());
        } catch (const std::exception& inner) {
            return QString::fromLocal8Bit(inner.what());
        } catch (...) {
        }
    }
    return QString::fromLocal8Bit(failure.what());
}

} // namespace

ContentViewModel::SortedSongs ContentViewModel::sortedForLoad(QList<Song> songs, const SortOrder& order) {
    if (order.column) {
        sortSongs(songs, *order.column, order.ascending);
    }
    return {std::move(songs), order.column.has_value()};
}

void ContentViewModel::setLoadedFolder(const QUrl& location, const SortedSongs& loaded,
                                       const SortOrder& order) {
    // Sorted on the worker already, unless the user chose another order meanwhile.
    if (!loaded.sorted || m_sortColumn != order.column || m_sortAscending != order.ascending) {
        setFolder(location, loaded.songs);
        return;
    }
    setCurrentFolder(MusicFolder::make(location, loaded.songs));
    refreshVisibleSongs();
}

QString ContentViewModel::tooManySongsMessage(int count, int maximum) {
    if (maximum == defaultMaximumSongsPerFolder) {
        return tr("⚠️ Too many songs detected!\n\nFound: %n songs\nMaximum allowed: %1 songs\n\nPlease "
                  "select a smaller folder or organize your music in subfolders with less than %1 songs "
                  "each.",
                  nullptr, count)
            .arg(maximum);
    }
    return tr("⚠️ Too many songs detected!\n\nFound: %n songs\nMaximum allowed: %1 songs\n\nPlease "
              "select a smaller folder, or raise “Largest folder” under Preferences in the menu (F10); "
              "quirella-cli takes --max-songs N.",
              nullptr, count)
        .arg(maximum);
}

QFuture<void> ContentViewModel::loadFolder(const QUrl& location) {
    auto load = std::make_shared<FolderLoad>();
    load->location = location;
    load->build = m_songFactory;
    return enqueueLoad(std::move(load));
}

QFuture<void> ContentViewModel::reloadFolder() {
    auto load = std::make_shared<FolderLoad>();
    load->kind = FolderLoad::Kind::reload;
    load->build = m_songFactory;
    return enqueueLoad(std::move(load));
}

QFuture<void> ContentViewModel::enqueueLoad(std::shared_ptr<FolderLoad> load) {
    assertUiThread();
    load->done.start();
    QFuture<void> future = load->done.future();
    m_pendingLoads.append(std::move(load));
    if (!m_runningLoad) {
        startNextLoad();
    }
    return future;
}

void ContentViewModel::startNextLoad() {
    if (m_runningLoad || m_pendingLoads.isEmpty()) {
        return;
    }
    m_runningLoad = m_pendingLoads.takeFirst();
    if (m_runningLoad->kind == FolderLoad::Kind::load) {
        runLoad(m_runningLoad);
    } else {
        runReload(m_runningLoad);
    }
}

void ContentViewModel::endLoad(const std::shared_ptr<FolderLoad>& load) {
    Q_ASSERT(load == m_runningLoad);
    // Still marked as running while the future's own continuations run, so that a load they ask for
    // queues behind instead of starting beside the next one.
    load->done.finish();
    m_runningLoad.reset();
    startNextLoad();
}

void ContentViewModel::abortLoad(const std::shared_ptr<FolderLoad>& load, const QString& reason) {
    if (load != m_runningLoad) {
        return;
    }
    if (load->kind == FolderLoad::Kind::load) {
        if (load->overlayShown) {
            m_progress->finishOperation();
        }
        setIsLoading(false);
        showAlert(tr("Error loading folder: %1").arg(reason));
    }
    endLoad(load);
}

// Every stage of a load ends it on failure or cancellation too, so that the queued loads still run.
void ContentViewModel::endOnFailure(QFuture<void> stage, const std::shared_ptr<FolderLoad>& load) {
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, load] {
        watcher->deleteLater();
        if (!watcher->isCanceled()) {
            return;
        }
        try {
            watcher->future().waitForFinished(); // throws what the stage threw
            abortLoad(load, tr("The operation was cancelled."));
        } catch (const std::exception& failure) {
            abortLoad(load, describeFailure(failure));
        } catch (...) {
            abortLoad(load, tr("An unknown error occurred."));
        }
    });
    watcher->setFuture(stage);
}

void ContentViewModel::runLoad(const std::shared_ptr<FolderLoad>& load) {
    endOnFailure(continueOn(QtConcurrent::run(isExistingFolder, load->location), this,
                            [this, load](bool isFolder) {
                                if (!isFolder) {
                                    showAlert(tr("Error: The selected path is not a valid folder"));
                                    setIsLoading(false);
                                    endLoad(load);
                                    return;
                                }
                                if (m_currentFolder) {
                                    load->previous = m_currentFolder;
                                    load->previousTotal = m_totalSongs;
                                    setVisibleSongs({});
                                    setCurrentFolder(std::nullopt);
                                }
                                setIsLoading(true);
                                scanLoad(load);
                            }),
                 load);
}

void ContentViewModel::failLoad(const std::shared_ptr<FolderLoad>& load, const QString& message) {
    if (load->overlayShown) {
        m_progress->finishOperation();
    }
    setIsLoading(false);
    showAlert(message);
    endLoad(load);
}

void ContentViewModel::scanLoad(const std::shared_ptr<FolderLoad>& load) {
    endOnFailure(
        continueOn(QtConcurrent::run(scanFolder, load->location.toLocalFile()), this,
                   [this, load](const FolderScan& scan) {
                       if (!scan.ok()) {
                           failLoad(load, tr("Error loading folder: %1").arg(*scan.error));
                           return;
                       }
                       const auto count = static_cast<int>(scan.files.size());
                       if (count == 0) {
                           failLoad(
                               load,
                               tr("No music files found!\n\nPlease make sure the folder contains music "
                                  "files with "
                                  "supported extensions:\nMP3, WAV, M4A, FLAC, AIFF, AIF, OGG, OGA, OPUS"));
                           return;
                       }
                       if (count > m_maximumSongs) {
                           failLoad(load, tooManySongsMessage(count, m_maximumSongs));
                           return;
                       }
                       load->overlayShown = count > ProgressManager::minimumSongsForProgress;
                       if (load->overlayShown) {
                           // A folder beyond the default size (allowed by the user) can take minutes: it
                           // can be stopped, which brings the folder shown before back.
                           const bool stoppable = count > defaultMaximumSongsPerFolder;
                           m_progress->startOperation(
                               {ProgressManager::OperationType::loadingFolder,
                                tr("Processing %n songs...", nullptr, count), QString(), count, stoppable,
                                stoppable ? std::function<void()>([stop = load->stop] { *stop = true; })
                                          : std::function<void()>()});
                       }
                       setTotalSongs(count);
                       buildLoad(load, scan.files);
                   }),
        load);
}

void ContentViewModel::buildLoad(const std::shared_ptr<FolderLoad>& load, const QStringList& files) {
    const auto count = static_cast<int>(files.size());
    const SortOrder order{m_sortColumn, m_sortAscending};
    endOnFailure(
        continueOn(QtConcurrent::run([files, progress = m_progress, build = load->build,
                                      stop = std::shared_ptr<const std::atomic<bool>>(load->stop), order] {
                       return sortedForLoad(createSongsWith(files, progress, build, stop), order);
                   }),
                   this,
                   [this, load, count, order](const SortedSongs& sorted) {
                       const QList<Song>& songs = sorted.songs;
                       if (*load->stop) {
                           stopLoad(load);
                           return;
                       }
                       if (songs.isEmpty()) {
                           failLoad(load, tr("Error processing music files!\n\nCould not read metadata from "
                                             "any of the %n files found.\nThe files might be corrupted or in "
                                             "an unsupported format.",
                                             nullptr, count));
                           return;
                       }
                       setLoadedFolder(load->location, sorted, order);
                       if (songs.size() < count) {
                           m_toasts->show(tr("⚠️ Loaded %1 of %n songs. Some files could not be read.",
                                             nullptr, count)
                                              .arg(songs.size()),
                                          ToastManager::ToastType::warning);
                       }
                       if (load->overlayShown) {
                           m_progress->finishOperation();
                       }
                       setIsLoading(false);
                       endLoad(load);
                   }),
        load);
}

void ContentViewModel::stopLoad(const std::shared_ptr<FolderLoad>& load) {
    m_progress->finishOperation();
    if (load->previous) {
        setCurrentFolder(std::move(load->previous));
        load->previous.reset();
        refreshVisibleSongs();
        setTotalSongs(load->previousTotal);
    }
    setIsLoading(false);
    m_toasts->show(tr("ℹ️ Loading stopped: nothing was loaded."), ToastManager::ToastType::info);
    endLoad(load);
}

void ContentViewModel::runReload(const std::shared_ptr<FolderLoad>& load) {
    if (!m_currentFolder) {
        endLoad(load);
        return;
    }
    const QUrl location = m_currentFolder->path;
    const SortOrder order{m_sortColumn, m_sortAscending};
    endOnFailure(continueOn(QtConcurrent::run([location, progress = m_progress, build = load->build, order] {
                                const FolderScan scan = scanFolder(location.toLocalFile());
                                return scan.ok() ? std::optional<SortedSongs>(sortedForLoad(
                                                       createSongsWith(scan.files, progress, build), order))
                                                 : std::nullopt;
                            }),
                            this,
                            [this, load, location, order](const std::optional<SortedSongs>& sorted) {
                                if (sorted) {
                                    setLoadedFolder(location, *sorted, order);
                                }
                                endLoad(load);
                            }),
                 load);
}

} // namespace quirella
