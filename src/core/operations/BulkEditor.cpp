// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/BulkEditor.h"

#include "app/ContentViewModel.h"
#include "model/Continuation.h"
#include "model/EditingManager.h"
#include "model/ToastManager.h"
#include "operations/BulkOperations.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPromise>
#include <QTimer>

#include <memory>

namespace quirella {

namespace {

bool isInFolder(const ContentViewModel& viewModel, const QUuid& songId) {
    return viewModel.currentFolder() && findSong(viewModel.currentFolder()->songs, songId) != nullptr;
}

// Moves songs to the trash one at a time; a child of the view model that deletes itself at the end, so
// a window closed halfway does not leave it behind.
class SequentialTrash : public QObject {
public:
    SequentialTrash(ContentViewModel& viewModel, QList<QUuid> songIds)
        : QObject(&viewModel)
        , m_viewModel(viewModel)
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
        continueOn(m_viewModel.moveToTrash(songId), this, [this, songId] {
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
        // Only the songs that went are counted: a failed move has shown its own alert, and a selected id
        // that is no longer in the folder was never moved.
        if (m_moved > 0) {
            m_viewModel.toastManager().show(QCoreApplication::translate("BulkEditor",
                                                                        "🗑️ %n songs moved to Trash",
                                                                        nullptr, m_moved),
                                            ToastManager::ToastType::success);
        }
        m_promise.finish();
        deleteLater();
    }

    ContentViewModel& m_viewModel;
    QList<QUuid> m_songIds;
    qsizetype m_index = 0;
    int m_moved = 0;
    QPromise<void> m_promise;
};

} // namespace

BulkEditor::BulkEditor(ContentViewModel& viewModel, PlaybackHooks playback)
    : m_viewModel(viewModel)
    , m_playback(std::move(playback)) {}

void BulkEditor::stopPlayback() const {
    if (m_playback.isPlaying && m_playback.stop && m_playback.isPlaying()) {
        m_playback.stop();
    }
}

bool BulkEditor::clearColumn(QStringView column) {
    if (!isBulkColumn(column)) {
        return false;
    }
    return m_viewModel.applyChange(
        true, [&](MusicFolder& folder) { folder = quirella::clearColumn(std::move(folder), column); });
}

bool BulkEditor::uppercaseColumn(QStringView column) {
    if (!isBulkTextColumn(column)) {
        return false;
    }
    return m_viewModel.applyChange(
        true, [&](MusicFolder& folder) { folder = quirella::uppercaseColumn(std::move(folder), column); });
}

bool BulkEditor::titleCaseColumn(QStringView column) {
    if (!isBulkTextColumn(column)) {
        return false;
    }
    return m_viewModel.applyChange(
        true, [&](MusicFolder& folder) { folder = quirella::titleCaseColumn(std::move(folder), column); });
}

bool BulkEditor::replaceColumn(QStringView column, const QString& value) {
    if (!isBulkColumn(column)) {
        return false;
    }
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = quirella::replaceColumn(std::move(folder), column, value);
    });
}

bool BulkEditor::setRatingForAll(int stars) {
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = m_viewModel.editingManager().setRatingForAll(std::move(folder), stars);
    });
}

bool BulkEditor::clearRatings() {
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = m_viewModel.editingManager().clearRatings(std::move(folder));
    });
}

bool BulkEditor::setGenreForAll(const QString& genre) {
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = m_viewModel.editingManager().setGenreForAll(std::move(folder), genre);
    });
}

bool BulkEditor::replaceTextInFields(const QString& term, const QString& replacement) {
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = quirella::replaceTextInFields(std::move(folder), term, replacement);
    });
}

bool BulkEditor::removeTerms(const QStringList& terms, const QString& replacement) {
    stopPlayback();
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = quirella::removeTerms(std::move(folder), terms, replacement);
    });
}

QList<Song> BulkEditor::targetSongs() const {
    QList<Song> songs;
    const QSet<QUuid>& selected = m_viewModel.selectedSongIds();
    for (const Song& song : m_viewModel.visibleSongs()) {
        if (selected.isEmpty() || selected.contains(song.id)) {
            songs.append(song);
        }
    }
    return songs;
}

namespace {

QList<QUuid> idsOf(const QList<Song>& songs) {
    QList<QUuid> ids;
    ids.reserve(songs.size());
    for (const Song& song : songs) {
        ids.append(song.id);
    }
    return ids;
}

} // namespace

bool BulkEditor::numberTracks() {
    const QList<QUuid> order = idsOf(targetSongs());
    return m_viewModel.applyChange(
        true, [&](MusicFolder& folder) { folder = quirella::numberTracks(std::move(folder), order); });
}

bool BulkEditor::tagsFromNames(const NamePattern& pattern) {
    const QList<QUuid> songIds = idsOf(targetSongs());
    return m_viewModel.applyChange(true, [&](MusicFolder& folder) {
        folder = quirella::tagsFromNames(std::move(folder), pattern, songIds);
    });
}

bool BulkEditor::uppercaseAll() {
    stopPlayback();
    return m_viewModel.applyChange(
        true, [](MusicFolder& folder) { folder = quirella::uppercaseAll(std::move(folder)); });
}

bool BulkEditor::titleCaseAll() {
    stopPlayback();
    return m_viewModel.applyChange(
        true, [](MusicFolder& folder) { folder = quirella::titleCaseAll(std::move(folder)); });
}

bool BulkEditor::cleanCharactersInAllSongs() {
    stopPlayback();
    return m_viewModel.applyChange(
        true, [](MusicFolder& folder) { folder = quirella::cleanCharactersInAllSongs(std::move(folder)); });
}

bool BulkEditor::swapArtistAndTitle(const QUuid& songId) {
    return m_viewModel.applySongChange(songId, true, [](Song& song) { std::swap(song.name, song.artist); });
}

QFuture<void> BulkEditor::deleteSong(const QUuid& songId, const std::function<void()>& stopPreviewFirst) {
    if (!isInFolder(m_viewModel, songId)) {
        return QtFuture::makeReadyFuture();
    }
    const QString name = findSong(m_viewModel.currentFolder()->songs, songId)->name;
    auto promise = std::make_shared<QPromise<void>>();
    promise->start();
    QPointer<ContentViewModel> model(&m_viewModel);
    auto trash = [model, songId, name, promise] {
        if (!model) {
            promise->finish();
            return;
        }
        continueOn(model->moveToTrash(songId), model, [model, songId, name, promise] {
            if (model && !isInFolder(*model, songId)) {
                model->toastManager().show(
                    QCoreApplication::translate("BulkEditor", "🗑 %1 moved to Trash").arg(name),
                    ToastManager::ToastType::success);
            }
            promise->finish();
        });
    };
    if (stopPreviewFirst) {
        stopPreviewFirst();
        // The player lets go of the file asynchronously.
        QTimer::singleShot(100, &m_viewModel, trash);
    } else {
        trash();
    }
    return promise->future();
}

QFuture<void> BulkEditor::moveSongsToTrash(const std::function<bool(const QUuid&)>& isPreviewSong,
                                           const std::function<void()>& stopPreview) {
    const QSet<QUuid> selected = m_viewModel.selectedSongIds();
    QList<QUuid> songIds;
    bool playsOne = false;
    if (m_viewModel.currentFolder()) {
        for (const Song& song : m_viewModel.currentFolder()->songs) {
            if (selected.contains(song.id)) {
                songIds.append(song.id);
                playsOne = playsOne || (isPreviewSong && isPreviewSong(song.id));
            }
        }
    }
    auto* run = new SequentialTrash(m_viewModel, std::move(songIds));
    QFuture<void> future = run->future();
    if (playsOne && stopPreview) {
        stopPreview();
        // The player lets go of the file asynchronously; the run is a child of the view model.
        QTimer::singleShot(100, run, [run] { run->next(); });
    } else {
        run->next();
    }
    return future;
}

} // namespace quirella
