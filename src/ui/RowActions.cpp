#include "ui/RowActions.h"

#include "app/ContentViewModel.h"
#include "model/ToastManager.h"

#include <QPointer>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace quirella::ui {

namespace {

bool isInFolder(const ContentViewModel& viewModel, const QUuid& songId) {
    return viewModel.currentFolder() && findSong(viewModel.currentFolder()->songs, songId) != nullptr;
}

// Moves songs to the trash one at a time; lives as a child of the view model and deletes itself at the
// end, so a window closed halfway does not leave it behind.
class SequentialTrash : public QObject {
public:
    SequentialTrash(ContentViewModel& viewModel, ToastManager& toasts, QList<QUuid> songIds)
        : QObject(&viewModel)
        , m_viewModel(viewModel)
        , m_toasts(toasts)
        , m_songIds(std::move(songIds)) {
        m_promise.start();
    }

    QFuture<void> future() { return m_promise.future(); }

    void next() {
        if (m_index >= m_songIds.size()) {
            finish();
            return;
        }
        const QUuid songId = m_songIds.at(m_index++);
        m_viewModel.moveToTrash(songId).then(this, [this, songId] {
            if (!isInFolder(m_viewModel, songId)) {
                ++m_moved;
            }
            next();
        });
    }

private:
    void finish() {
        m_viewModel.setSelectedSongIds({});
        m_viewModel.refreshAfterChange();
        // Only songs that actually went are counted; a failed move has shown its own alert.
        if (m_moved > 0) {
            m_toasts.show(QStringLiteral("🗑️ %1 songs moved to Trash").arg(m_moved),
                          ToastManager::ToastType::success);
        }
        m_promise.finish();
        deleteLater();
    }

    ContentViewModel& m_viewModel;
    ToastManager& m_toasts;
    QList<QUuid> m_songIds;
    qsizetype m_index = 0;
    int m_moved = 0;
    QPromise<void> m_promise;
};

} // namespace

void swapArtistAndTitle(ContentViewModel& viewModel, const QUuid& songId) {
    if (!isInFolder(viewModel, songId)) {
        return;
    }
    viewModel.applyChange(true, [&songId](MusicFolder& folder) {
        if (Song* song = findSong(folder.songs, songId)) {
            std::swap(song->name, song->artist);
        }
    });
}

QFuture<void> deleteSong(ContentViewModel& viewModel, ToastManager& toasts, const QUuid& songId,
                         const PreviewHooks& preview) {
    if (!isInFolder(viewModel, songId)) {
        return QtFuture::makeReadyFuture();
    }
    const QString name = findSong(viewModel.currentFolder()->songs, songId)->name;
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QPointer<ContentViewModel> model(&viewModel);
    QPointer<ToastManager> toastManager(&toasts);
    auto trash = [model, toastManager, songId, name, promise] {
        if (!model) {
            promise->finish();
            return;
        }
        model->moveToTrash(songId).then(model, [model, toastManager, songId, name, promise] {
            if (model && toastManager && !isInFolder(*model, songId)) {
                toastManager->show(QStringLiteral("🗑 ") + name + QStringLiteral(" moved to Trash"),
                                   ToastManager::ToastType::success);
            }
            promise->finish();
        });
    };
    if (preview.isCurrent(songId) && preview.stop) {
        preview.stop();
        // The player lets go of the file asynchronously.
        QTimer::singleShot(100, &viewModel, trash);
    } else {
        trash();
    }
    return promise->future();
}

QFuture<void> deleteSelectedSongs(ContentViewModel& viewModel, ToastManager& toasts,
                                  const PreviewHooks& preview) {
    QList<QUuid> songIds;
    bool playsOne = false;
    if (viewModel.currentFolder()) {
        for (const Song& song : viewModel.currentFolder()->songs) {
            if (viewModel.selectedSongIds().contains(song.id)) {
                songIds.append(song.id);
                playsOne = playsOne || preview.isCurrent(song.id);
            }
        }
    }
    auto* run = new SequentialTrash(viewModel, toasts, std::move(songIds));
    QFuture<void> future = run->future();
    if (playsOne && preview.stop) {
        preview.stop();
        // The player lets go of the file asynchronously; the run is a child of the view model.
        QTimer::singleShot(100, run, [run] { run->next(); });
    } else {
        run->next();
    }
    return future;
}

} // namespace quirella::ui
