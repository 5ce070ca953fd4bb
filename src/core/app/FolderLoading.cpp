// Folder loading: validating the dropped location, scanning it, building the songs and making the folder
// current. Every look at the disk happens on worker threads; the view model's state, the alert, the
// overlay and the toasts are changed only here on the UI thread, in the continuations.
#include "app/FolderLoading.h"

#include "app/ContentViewModel.h"
#include "app/FolderScanner.h"
#include "app/SongBuilder.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"

#include <QFileInfo>
#include <QPromise>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace quirella {

struct ContentViewModel::FolderLoad {
    enum class Kind { load, reload };
    Kind kind = Kind::load;
    QUrl location;
    QPromise<void> done;
};

QList<Song> createSongs(const QStringList& filePaths, ProgressManager* progress) {
    const auto total = static_cast<int>(filePaths.size());
    QList<Song> songs;
    songs.reserve(total);
    int built = 0;
    for (int start = 0; start < total; start += songBatchSize) {
        if (progress) {
            progress->updateProgress(built, total);
        }
        const QStringList batch = filePaths.mid(start, songBatchSize);
        // The calling thread takes part in the work, so this cannot starve the pool it runs on.
        const QList<std::optional<Song>> results =
            QtConcurrent::blockingMapped<QList<std::optional<Song>>>(batch, createSong);
        for (const std::optional<Song>& song : results) {
            if (song) {
                songs.append(*song);
                ++built;
            }
        }
    }
    return songs;
}

namespace {

bool isExistingFolder(const QUrl& location) {
    return location.isLocalFile() && QFileInfo(location.toLocalFile()).isDir();
}

} // namespace

QFuture<void> ContentViewModel::loadFolder(const QUrl& location) {
    auto load = std::make_shared<FolderLoad>();
    load->location = location;
    return enqueueLoad(std::move(load));
}

QFuture<void> ContentViewModel::reloadFolder() {
    auto load = std::make_shared<FolderLoad>();
    load->kind = FolderLoad::Kind::reload;
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

void ContentViewModel::runLoad(const std::shared_ptr<FolderLoad>& load) {
    const QUrl location = load->location;
    QtConcurrent::run(isExistingFolder, location).then(this, [this, load, location](bool isFolder) {
        if (!isFolder) {
            showAlert(u"Error: The selected path is not a valid folder"_s);
            setIsLoading(false);
            endLoad(load);
            return;
        }
        if (m_currentFolder) {
            setVisibleSongs({});
            setCurrentFolder(std::nullopt);
        }
        setIsLoading(true);

        QtConcurrent::run(scanFolder, location.toLocalFile())
            .then(this, [this, load, location](const FolderScan& scan) {
                const auto fail = [this, load](const QString& message, bool overlayShown) {
                    if (overlayShown) {
                        m_progress->finishOperation();
                    }
                    setIsLoading(false);
                    showAlert(message);
                    endLoad(load);
                };
                if (!scan.ok()) {
                    fail(u"Error loading folder: "_s + *scan.error, false);
                    return;
                }
                const auto count = static_cast<int>(scan.files.size());
                if (count == 0) {
                    fail(u"No music files found!\n\nPlease make sure the folder contains music files with "
                         u"supported "
                         "extensions:\nMP3, WAV, M4A, FLAC, AIFF, AIF"_s,
                         false);
                    return;
                }
                if (count > maximumSongsPerFolder) {
                    const QString limit = QString::number(maximumSongsPerFolder);
                    fail(u"⚠️ Too many songs detected!\n\nFound: "_s + QString::number(count) +
                             u" songs\nMaximum allowed: "_s + limit +
                             u" songs\n\nPlease select a smaller folder or organize your music in "
                             u"subfolders with less than "_s +
                             limit + u" songs each."_s,
                         false);
                    return;
                }
                ProgressManager& progress = *m_progress;
                const bool overlayShown = count > ProgressManager::minimumSongsForProgress;
                if (overlayShown) {
                    progress.startOperation({ProgressManager::OperationType::loadingFolder,
                                             u"Processing "_s + QString::number(count) + u" songs..."_s,
                                             QString(),
                                             count,
                                             false,
                                             {}});
                }
                setTotalSongs(count);

                QtConcurrent::run(createSongs, scan.files, &progress)
                    .then(this, [this, load, location, count, overlayShown, fail](const QList<Song>& songs) {
                        if (songs.isEmpty()) {
                            fail(
                                u"Error processing music files!\n\nCould not read metadata from any of the "_s +
                                    QString::number(count) +
                                    u" files found.\nThe files might be corrupted or in an unsupported format."_s,
                                overlayShown);
                            return;
                        }
                        setFolder(location, songs);
                        if (songs.size() < count) {
                            m_toasts->show(u"⚠️ Loaded "_s + QString::number(songs.size()) + u" of "_s +
                                               QString::number(count) +
                                               u" songs. Some files could not be read."_s,
                                           ToastManager::ToastType::warning);
                        }
                        if (overlayShown) {
                            m_progress->finishOperation();
                        }
                        setIsLoading(false);
                        endLoad(load);
                    });
            });
    });
}

void ContentViewModel::runReload(const std::shared_ptr<FolderLoad>& load) {
    if (!m_currentFolder) {
        endLoad(load);
        return;
    }
    const QUrl location = m_currentFolder->path;
    QtConcurrent::run([location, progress = m_progress] {
        const FolderScan scan = scanFolder(location.toLocalFile());
        return scan.ok() ? std::optional<QList<Song>>(createSongs(scan.files, progress)) : std::nullopt;
    }).then(this, [this, load, location](const std::optional<QList<Song>>& songs) {
        if (songs) {
            setFolder(location, *songs);
        }
        endLoad(load);
    });
}

} // namespace quirella
