// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ContentViewModel.h"

#include "app/FolderChanges.h"
#include "app/FolderLoading.h"
#include "app/Trash.h"
#include "model/Bookmark.h"
#include "model/Continuation.h"
#include "model/ProgressManager.h"
#include "model/Selection.h"
#include "model/Sorting.h"
#include "model/ToastManager.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <utility>

namespace quirella {

namespace {

// What became of a file sent to the trash, worked out off the UI thread.
struct TrashOutcome {
    bool trashed = false;
    QString error; // the reason, when not trashed
};

TrashOutcome trashFile(const QByteArray& bookmarkData) {
    const bookmark::Resolution resolved = bookmark::resolve(bookmarkData);
    if (!resolved.path) {
        return {false, resolved.error};
    }
    const bookmark::ScopedAccess access(*resolved.path);
    if (!access.granted()) {
        // Access is refused here only when the file has gone; saying so beats a click that does nothing.
        return {false, QCoreApplication::translate("ContentViewModel", "The file “%1” doesn’t exist.")
                           .arg(QFileInfo(*resolved.path).fileName())};
    }
    if (std::optional<QString> error = trash::moveToTrash(*resolved.path)) {
        return {false, *error};
    }
    return {true, {}};
}

} // namespace

ContentViewModel::ContentViewModel(QObject* parent)
    : QObject(parent)
    , m_progress(&ProgressManager::instance())
    , m_toasts(&ToastManager::instance())
    , m_fileWork(std::make_shared<FileWork>()) {
    const QSettings settings;
    const QVariant column = settings.value(preferredSortColumnKey);
    setSortColumn(column.isValid() ? std::optional<QString>(column.toString()) : std::nullopt);
    const QVariant ascending = settings.value(preferredSortAscendingKey);
    setSortAscending(ascending.isValid() ? ascending.toBool() : true);
    bool counted = false;
    const int largest = settings.value(largestFolderKey).toInt(&counted);
    m_maximumSongs = counted && largest > 0 ? largest : defaultMaximumSongsPerFolder;
}

ContentViewModel::~ContentViewModel() = default;

void ContentViewModel::setFeedback(ProgressManager* progress, ToastManager* toasts) {
    m_progress = progress ? progress : &ProgressManager::instance();
    m_toasts = toasts ? toasts : &ToastManager::instance();
}

void ContentViewModel::assertUiThread() const {
    Q_ASSERT_X(QThread::currentThread() == thread(), "ContentViewModel", "used off its own thread");
}

// ---- State ----

void ContentViewModel::setCurrentFolder(std::optional<MusicFolder> folder) {
    assertUiThread();
    m_currentFolder = std::move(folder);
    emit currentFolderChanged();
}

void ContentViewModel::setVisibleSongs(QList<Song> songs, bool animated) {
    assertUiThread();
    m_visibleSongs = std::move(songs);
    emit songsReset(animated);
    emit visibleSongsChanged();
}

void ContentViewModel::setTotalSongs(int total) {
    if (m_totalSongs != total) {
        m_totalSongs = total;
        emit totalSongsChanged();
    }
}

void ContentViewModel::setIsLoading(bool loading) {
    if (m_isLoading != loading) {
        m_isLoading = loading;
        emit isLoadingChanged();
    }
}

void ContentViewModel::storePreference(QLatin1StringView key, const std::optional<QVariant>& value) {
    (void)m_preferenceWriter.run([key = QString(key), value] {
        QSettings settings;
        if (value) {
            settings.setValue(key, *value);
        } else {
            settings.remove(key);
        }
    });
}

void ContentViewModel::setSortColumn(const std::optional<QString>& column) {
    storePreference(preferredSortColumnKey, column ? std::optional<QVariant>(*column) : std::nullopt);
    if (m_sortColumn != column) {
        m_sortColumn = column;
        emit sortColumnChanged();
    }
}

void ContentViewModel::setSortAscending(bool ascending) {
    storePreference(preferredSortAscendingKey, QVariant(ascending));
    if (m_sortAscending != ascending) {
        m_sortAscending = ascending;
        emit sortAscendingChanged();
    }
}

void ContentViewModel::setMaximumSongs(int maximum) {
    if (maximum < 1) {
        return;
    }
    storePreference(largestFolderKey, maximum == defaultMaximumSongsPerFolder
                                          ? std::nullopt
                                          : std::optional<QVariant>(maximum));
    overrideMaximumSongs(maximum);
}

void ContentViewModel::overrideMaximumSongs(int maximum) {
    if (maximum > 0 && m_maximumSongs != maximum) {
        m_maximumSongs = maximum;
        emit maximumSongsChanged();
    }
}

void ContentViewModel::setSelectedSongIds(const QSet<QUuid>& ids) {
    if (m_selectedSongIds != ids) {
        m_selectedSongIds = ids;
        emit selectedSongIdsChanged();
    }
}

void ContentViewModel::setShowExportAlert(bool show) {
    if (m_showExportAlert != show) {
        m_showExportAlert = show;
        emit showExportAlertChanged();
    }
}

void ContentViewModel::setExportAlertMessage(const QString& message) {
    if (m_exportAlertMessage != message) {
        m_exportAlertMessage = message;
        emit exportAlertMessageChanged();
    }
}

void ContentViewModel::setActiveSheet(const std::optional<ActiveSheet>& sheet) {
    // No equality test: a sheet of the same case may carry another payload.
    m_activeSheet = sheet;
    emit activeSheetChanged();
}

void ContentViewModel::setEditingField(const std::optional<QString>& field) {
    if (m_editingField != field) {
        m_editingField = field;
        emit editingFieldChanged();
    }
}

void ContentViewModel::showAlert(const QString& message) {
    setExportAlertMessage(message);
    setShowExportAlert(true);
}

// ---- Display ----

void ContentViewModel::setFolder(const QUrl& location, QList<Song> songs) {
    setCurrentFolder(MusicFolder::make(location, std::move(songs)));
    if (m_sortColumn) {
        applySort();
    } else {
        refreshVisibleSongs();
    }
}

void ContentViewModel::refreshVisibleSongs() {
    if (m_currentFolder) {
        setVisibleSongs(m_currentFolder->songs);
    }
}

void ContentViewModel::refreshAfterChange() {
    if (!m_currentFolder) {
        setVisibleSongs({});
        return;
    }
    setVisibleSongs(m_currentFolder->songs, true);
    setTotalSongs(int(m_currentFolder->songs.size()));
    setIsLoading(false);
}

// ---- Change protocol ----

bool ContentViewModel::applyChange(bool undoable, const std::function<void(MusicFolder&)>& change) {
    assertUiThread();
    if (!m_currentFolder) {
        return false;
    }
    if (undoable) {
        m_historyManager.saveState(*m_currentFolder);
        maintainHistory();
    }
    MusicFolder changed = *m_currentFolder;
    change(changed);
    setCurrentFolder(std::move(changed));
    refreshAfterChange();
    return true;
}

bool ContentViewModel::applySongChange(const QUuid& songId, bool undoable,
                                       const std::function<void(Song&)>& change) {
    assertUiThread();
    const Song* song = m_currentFolder ? findSong(m_currentFolder->songs, songId) : nullptr;
    if (!song) {
        return false;
    }
    Song changed = *song;
    if (undoable) {
        m_historyManager.saveState(*m_currentFolder);
        maintainHistory();
    }
    change(changed);
    replaceSong(changed);
    return true;
}

// ---- Sorting and selection ----

void ContentViewModel::sortBy(QStringView column) {
    assertUiThread();
    if (m_sortColumn == column) {
        setSortAscending(!m_sortAscending);
    } else {
        setSortColumn(column.toString());
        setSortAscending(true);
    }
    ++m_sortGeneration;
    if (!m_currentFolder) {
        return;
    }
    if (m_currentFolder->songs.size() < sortOnWorkerFrom) {
        MusicFolder sorted = *m_currentFolder;
        sortSongs(sorted.songs, column, m_sortAscending);
        setCurrentFolder(std::move(sorted));
        setVisibleSongs(m_currentFolder->songs);
        return;
    }
    sortOnWorker();
}

void ContentViewModel::sortOnWorker() {
    const quint64 generation = m_sortGeneration;
    const QList<Song> songs = m_currentFolder->songs;
    const QFuture<QList<Song>> sorting =
        QtConcurrent::run([songs, column = *m_sortColumn, ascending = m_sortAscending] {
            QList<Song> sorted = songs;
            sortSongs(sorted, column, ascending);
            return sorted;
        });
    continueOn(sorting, this, [this, generation, songs](QList<Song> sorted) {
        // A later click wins; a folder changed meanwhile (an edit, another folder) is sorted again as it is
        // now. The list still shares its storage with the one sorted exactly when nothing changed it.
        if (generation != m_sortGeneration || !m_currentFolder) {
            return;
        }
        if (m_currentFolder->songs.constData() != songs.constData() ||
            m_currentFolder->songs.size() != songs.size()) {
            sortOnWorker();
            return;
        }
        MusicFolder folder = *m_currentFolder;
        folder.songs = std::move(sorted);
        setCurrentFolder(std::move(folder));
        setVisibleSongs(m_currentFolder->songs);
        emit sortApplied();
    });
}

void ContentViewModel::applySort() {
    assertUiThread();
    if (!m_currentFolder || !m_sortColumn) {
        return;
    }
    MusicFolder sorted = *m_currentFolder;
    sortSongs(sorted.songs, *m_sortColumn, m_sortAscending);
    setCurrentFolder(std::move(sorted));
    refreshVisibleSongs();
}

void ContentViewModel::selectSong(const QUuid& songId, bool shift, bool command) {
    assertUiThread();
    const Selection next =
        quirella::selectSong({m_selectedSongIds, m_lastSelectedId}, m_visibleSongs, songId, shift, command);
    m_lastSelectedId = next.lastSelectedId;
    setSelectedSongIds(next.selectedSongIds);
}

void ContentViewModel::selectAllVisible() {
    assertUiThread();
    QSet<QUuid> all;
    for (const Song& song : m_visibleSongs) {
        all.insert(song.id);
    }
    setSelectedSongIds(all);
}

// ---- Editing ----

void ContentViewModel::replaceSong(const Song& song) {
    MusicFolder changed = *m_currentFolder;
    if (Song* stored = findSong(changed.songs, song.id)) {
        *stored = song;
    }
    setCurrentFolder(std::move(changed));
    const qsizetype row = indexOfSong(m_visibleSongs, song.id);
    if (row >= 0) {
        m_visibleSongs[row] = song;
        emit songChanged(int(row));
        emit visibleSongsChanged();
    }
}

void ContentViewModel::commitEdit(const QUuid& songId, QStringView field, const QString& text) {
    assertUiThread();
    if (!m_currentFolder) {
        return;
    }
    const Song* song = findSong(m_currentFolder->songs, songId);
    if (!song) {
        return;
    }
    if (refusalOfFieldEdit(field, text)) {
        return; // the cell editor says why; nothing changes
    }
    Song edited = *song;
    m_historyManager.saveState(*m_currentFolder);
    maintainHistory();
    applyFieldEdit(edited, field, text);
    replaceSong(edited);
}

void ContentViewModel::setRating(const QUuid& songId, int stars) {
    assertUiThread();
    if (!m_currentFolder) {
        return;
    }
    const Song* song = findSong(m_currentFolder->songs, songId);
    if (!song) {
        return;
    }
    const qint64 clicked = clampRating(stars);
    Song rated = *song;
    rated.rating = rated.rating == clicked ? 0 : clicked;
    replaceSong(rated);
}

void ContentViewModel::rateSongs(const QSet<QUuid>& songIds, int stars) {
    assertUiThread();
    if (!m_currentFolder || std::none_of(m_currentFolder->songs.cbegin(), m_currentFolder->songs.cend(),
                                         [&](const Song& song) { return songIds.contains(song.id); })) {
        return;
    }
    const qint64 rating = clampRating(stars);
    applyChange(true, [&](MusicFolder& folder) {
        for (Song& song : folder.songs) {
            if (songIds.contains(song.id)) {
                song.rating = rating;
            }
        }
    });
}

void ContentViewModel::undo() {
    assertUiThread();
    if (!m_currentFolder) {
        return;
    }
    if (std::optional<MusicFolder> previous = m_historyManager.undo(*m_currentFolder)) {
        setCurrentFolder(withCurrentFileValues(std::move(*previous)));
        refreshAfterChange();
        maintainHistory();
    }
}

void ContentViewModel::redo() {
    assertUiThread();
    if (!m_currentFolder) {
        return;
    }
    if (std::optional<MusicFolder> next = m_historyManager.redo(*m_currentFolder)) {
        setCurrentFolder(withCurrentFileValues(std::move(*next)));
        refreshAfterChange();
        maintainHistory();
    }
}

void ContentViewModel::maintainHistory() {
    if (m_historyWorkRunning) {
        return;
    }
    std::optional<HistoryManager::Work> work = m_historyManager.nextWork();
    if (!work) {
        return;
    }
    m_historyWorkRunning = true;
    const QFuture<HistoryManager::WorkDone> working =
        QtConcurrent::run([work = std::move(*work)] { return HistoryManager::doWork(work); });
    continueOn(working, this, [this](HistoryManager::WorkDone done) {
        m_historyWorkRunning = false;
        if (std::optional<MusicFolder> released = m_historyManager.finishWork(std::move(done))) {
            // Often the last holder of a whole list of songs: it is let go on a worker too.
            (void)QtConcurrent::run([folder = std::move(*released)] { (void)folder; });
        }
        maintainHistory();
    });
}

MusicFolder ContentViewModel::withCurrentFileValues(MusicFolder restored) const {
    const QList<Song>& now = m_currentFolder->songs;
    QHash<QUuid, const Song*> current; // filled only once a song is not where it was
    for (qsizetype row = 0; row < restored.songs.size(); ++row) {
        const Song& song = restored.songs.at(row);
        const Song* same = row < now.size() && now.at(row).id == song.id ? &now.at(row) : nullptr;
        if (!same) {
            if (current.isEmpty()) {
                for (const Song& each : now) {
                    current.insert(each.id, &each);
                }
            }
            same = current.value(song.id);
        }
        // Assigned only where they differ: the restored list stays shared otherwise.
        if (same && song.fileValues != same->fileValues) {
            restored.songs[row].fileValues = same->fileValues;
        }
    }
    return restored;
}

void ContentViewModel::recordFileValues(const QList<std::pair<QUuid, FileValues>>& written) {
    assertUiThread();
    if (!m_currentFolder || written.isEmpty()) {
        return;
    }
    QHash<QUuid, FileValues> values;
    for (const auto& [id, fileValues] : written) {
        values.insert(id, fileValues);
    }
    const auto apply = [&](QList<Song>& songs) {
        for (Song& song : songs) {
            if (const auto found = values.constFind(song.id); found != values.constEnd()) {
                song.fileValues = *found;
            }
        }
    };
    MusicFolder changed = *m_currentFolder;
    apply(changed.songs);
    m_currentFolder = std::move(changed);
    apply(m_visibleSongs);
}

// ---- Changes made outside ----

struct ContentViewModel::FileWork {
    std::atomic<int> running{0};
    std::atomic<quint64> generation{0};
};

ContentViewModel::FileWorkHold::FileWorkHold(std::shared_ptr<FileWork> work)
    : m_work(std::move(work)) {
    ++m_work->running;
    ++m_work->generation;
}

ContentViewModel::FileWorkHold::~FileWorkHold() {
    release();
}

void ContentViewModel::FileWorkHold::release() {
    if (!std::exchange(m_released, true)) {
        --m_work->running;
    }
}

std::shared_ptr<ContentViewModel::FileWorkHold> ContentViewModel::holdFileWork() {
    return std::make_shared<FileWorkHold>(m_fileWork);
}

bool ContentViewModel::isDoingFileWork() const {
    return m_fileWork->running.load() > 0;
}

quint64 ContentViewModel::fileWorkGeneration() const {
    return m_fileWork->generation.load();
}

void ContentViewModel::applyOutsideChanges(const FolderChanges& changes) {
    assertUiThread();
    if (!m_currentFolder || changes.isEmpty()) {
        return;
    }
    QHash<QUuid, std::optional<FileValues>> loaded;
    for (const RereadSong& reread : changes.reread) {
        if (const Song* song = findSong(m_currentFolder->songs, reread.fresh.id)) {
            loaded.insert(song->id, song->fileValues);
        }
    }
    const auto change = [&](MusicFolder& folder) { applyFolderChanges(folder, changes, loaded); };
    m_historyManager.changeAll(change);
    maintainHistory();
    applyChange(false, change);
    if (!changes.added.isEmpty()) {
        applySort();
    }
    QSet<QUuid> selected = m_selectedSongIds;
    for (const QUuid& id : changes.removed) {
        selected.remove(id);
    }
    setSelectedSongIds(selected);
}

// ---- Trash ----

QFuture<void> ContentViewModel::moveToTrash(const QUuid& songId) {
    assertUiThread();
    const Song* song = m_currentFolder ? findSong(m_currentFolder->songs, songId) : nullptr;
    if (!song) {
        return QtFuture::makeReadyFuture();
    }
    return continueOn(QtConcurrent::run(trashFile, song->bookmarkData), this,
                      [this, songId, hold = holdFileWork()](const TrashOutcome& outcome) {
                          hold->release();
                          if (!outcome.trashed) {
                              showAlert(tr("Error deleting file: %1").arg(outcome.error));
                              return;
                          }
                          // The folder may have been replaced while the file was moved; only a song still
                          // listed is taken out and counted.
                          if (!m_currentFolder) {
                              return;
                          }
                          MusicFolder changed = *m_currentFolder;
                          const qsizetype index = indexOfSong(changed.songs, songId);
                          if (index < 0) {
                              return;
                          }
                          changed.songs.removeAt(index);
                          setCurrentFolder(std::move(changed));
                          const qsizetype row = indexOfSong(m_visibleSongs, songId);
                          if (row >= 0) {
                              m_visibleSongs.removeAt(row);
                              emit songRemoved(int(row));
                              emit visibleSongsChanged();
                          }
                          setTotalSongs(m_totalSongs - 1);
                      });
}

} // namespace quirella
