// SPDX-License-Identifier: GPL-3.0-or-later
// The one observable object that owns the loaded folder and the window-wide state: the displayed songs,
// the sort, the selection, the open sheet and the information alert. Views read this state and change
// songs only through its operations. It lives on the UI thread and is used only there; its background
// work (trash, loading) hands results back to that thread before touching any field.
//
// Notifications for a table model on top of `visibleSongs` (all sent after the change):
// - songsReset(animated): the whole list was replaced; `animated` says whether the view should animate
//   the change (edits applied through the change protocol do, sorting and loading do not);
// - songChanged(row): one row got a new value in place (inline edit, star click);
// - songRemoved(row): one row left the list (trash).
// `visibleSongsChanged()` accompanies each of them for observers that only want to know that the list
// changed. A table model listens to the three precise signals only.
#pragma once

#include "app/ActiveSheet.h"
#include "model/EditingManager.h"
#include "model/HistoryManager.h"
#include "model/Song.h"
#include "tags/SerialExecutor.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace quirella {

class ProgressManager;
class ToastManager;
struct FolderChanges;

class ContentViewModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<quirella::Song> visibleSongs READ visibleSongs NOTIFY visibleSongsChanged)
    Q_PROPERTY(int totalSongs READ totalSongs WRITE setTotalSongs NOTIFY totalSongsChanged)
    Q_PROPERTY(bool isLoading READ isLoading WRITE setIsLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(int maximumSongs READ maximumSongs WRITE setMaximumSongs NOTIFY maximumSongsChanged)
    Q_PROPERTY(std::optional<QString> sortColumn READ sortColumn WRITE setSortColumn NOTIFY sortColumnChanged)
    Q_PROPERTY(bool sortAscending READ sortAscending WRITE setSortAscending NOTIFY sortAscendingChanged)
    Q_PROPERTY(QSet<QUuid> selectedSongIds READ selectedSongIds WRITE setSelectedSongIds NOTIFY
                   selectedSongIdsChanged)
    Q_PROPERTY(
        bool showExportAlert READ showExportAlert WRITE setShowExportAlert NOTIFY showExportAlertChanged)
    Q_PROPERTY(QString exportAlertMessage READ exportAlertMessage WRITE setExportAlertMessage NOTIFY
                   exportAlertMessageChanged)
    Q_PROPERTY(std::optional<quirella::ActiveSheet> activeSheet READ activeSheet WRITE setActiveSheet NOTIFY
                   activeSheetChanged)
    Q_PROPERTY(std::optional<QString> editingField READ editingField WRITE setEditingField NOTIFY
                   editingFieldChanged)

public:
    // Preference keys of the sort, kept under these names across versions.
    static constexpr QLatin1StringView preferredSortColumnKey{"PreferredSortColumn"};
    static constexpr QLatin1StringView preferredSortAscendingKey{"PreferredSortAscending"};
    // The largest folder a load takes ("Largest folder" in the preferences); absent means the default.
    static constexpr QLatin1StringView largestFolderKey{"LargestFolder"};

    // Restores the stored sort: no stored column means unsorted, no stored direction means ascending.
    // Restores the largest folder a load takes: the default unless a positive count is stored.
    explicit ContentViewModel(QObject* parent = nullptr);
    ~ContentViewModel() override;

    // ---- State ----
    // The loaded folder; absent before the first load and while a load runs.
    const std::optional<MusicFolder>& currentFolder() const { return m_currentFolder; }
    // Always a copy of the folder's songs in the same order.
    const QList<Song>& visibleSongs() const { return m_visibleSongs; }
    int totalSongs() const { return m_totalSongs; }
    bool isLoading() const { return m_isLoading; }
    // Loads refuse folders with more supported files than this.
    int maximumSongs() const { return m_maximumSongs; }
    const std::optional<QString>& sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_sortAscending; }
    const QSet<QUuid>& selectedSongIds() const { return m_selectedSongIds; }
    // The anchor of range selection; changed only by selectSong.
    const std::optional<QUuid>& lastSelectedId() const { return m_lastSelectedId; }
    bool showExportAlert() const { return m_showExportAlert; }
    QString exportAlertMessage() const { return m_exportAlertMessage; }
    const std::optional<ActiveSheet>& activeSheet() const { return m_activeSheet; }
    const std::optional<QString>& editingField() const { return m_editingField; }
    EditingManager& editingManager() { return m_editingManager; }
    HistoryManager& historyManager() { return m_historyManager; }

    void setCurrentFolder(std::optional<MusicFolder> folder);
    void setVisibleSongs(QList<Song> songs, bool animated = false);
    void setTotalSongs(int total);
    void setIsLoading(bool loading);
    // Both sort setters store the preference on every call (an absent column removes it). The settings
    // file is rewritten and flushed on each store, so that happens off the UI thread, in call order; the
    // destructor waits for the last store.
    void setSortColumn(const std::optional<QString>& column);
    void setSortAscending(bool ascending);
    // Stores the preference too (the default itself is stored as no value). Counts below 1 are ignored.
    void setMaximumSongs(int maximum);
    // The same for this view model only, leaving the preference as it is (the command line's
    // --max-songs).
    void overrideMaximumSongs(int maximum);
    void setSelectedSongIds(const QSet<QUuid>& ids);
    void setShowExportAlert(bool show);
    void setExportAlertMessage(const QString& message);
    // Setting a sheet while another is shown replaces it; views close a sheet by setting it absent.
    void setActiveSheet(const std::optional<ActiveSheet>& sheet);
    void setEditingField(const std::optional<QString>& field);

    // The information alert: sets the message, then shows it.
    void showAlert(const QString& message);

    // Where loading reports its overlay and toasts: the process-wide managers unless a window (or a
    // test) gives its own. Both must live on the UI thread and outlive the view model.
    void setFeedback(ProgressManager* progress, ToastManager* toasts);
    ProgressManager& progressManager() const { return *m_progress; }
    ToastManager& toastManager() const { return *m_toasts; }

    // ---- Loading (FolderLoading.cpp) ----
    // Loads the folder as the current one, reporting through the state, the alert, the progress overlay
    // and toasts. The returned future finishes when the load has ended either way. Loads and reloads
    // run one at a time in the order they were asked for: a load asked for while another runs (several
    // folders dropped at once) waits for it to end. A folder of more songs than the default maximum (the
    // user raised it) can be stopped from the overlay: nothing is loaded then and the folder shown
    // before comes back.
    QFuture<void> loadFolder(const QUrl& location);
    // Re-reads the current folder silently; does nothing without a folder. Queued like loadFolder, and
    // it reads the folder that is current when its turn comes.
    QFuture<void> reloadFolder();
    // Builds the songs of later loads with `build` instead of reading the files (for tests of the load
    // itself; empty restores the file reader).
    void setSongFactory(std::function<std::optional<Song>(const QString&)> build) {
        m_songFactory = std::move(build);
    }
    // Makes a new folder of these songs current, then sorts it by the stored sort or shows it as it is.
    void setFolder(const QUrl& location, QList<Song> songs);

    // ---- Display ----
    // visibleSongs := the folder's songs, when a folder is loaded.
    void refreshVisibleSongs();
    // After a change of the folder: shows its songs (animated) and their count and ends any loading
    // state; without a folder the visible list becomes empty and the count stays.
    void refreshAfterChange();

    // ---- Change protocol ----
    // The one way operations change the songs of the loaded folder: snapshot for undo when the change is
    // undoable, change a copy, assign the copy back, refresh. Returns false (and does nothing) without a
    // folder.
    bool applyChange(bool undoable, const std::function<void(MusicFolder&)>& change);
    // The same for one song whose row is updated in place (no refresh, no re-sort): snapshot when
    // undoable, change the song in a copy of the folder, assign the copy, replace the visible row.
    // Returns false (and does nothing) without a folder or without a song of this id.
    bool applySongChange(const QUuid& songId, bool undoable, const std::function<void(Song&)>& change);

    // ---- Sorting and selection ----
    // The same column again flips the direction; another column sorts ascending. Reorders the folder: at
    // once, or for a folder of `sortOnWorkerFrom` songs or more on a worker thread, the new order taking
    // effect on the UI thread when it is ready (sortApplied), so that the window keeps answering.
    static constexpr qsizetype sortOnWorkerFrom = 5000;
    void sortBy(QStringView column);
    // Reorders the folder by the stored sort; nothing without a folder or a stored column.
    void applySort();
    // A click on a row: plain, with shift, or with Ctrl (`command`).
    void selectSong(const QUuid& songId, bool shift, bool command);
    // Every visible song, as Ctrl+A selects them.
    void selectAllVisible();

    // ---- Editing ----
    // Commits an inline edit of a title, artist, genre, year, album, album artist, track or disc cell. Every
    // commit on a known song records an undo snapshot first; the row is updated in place without
    // re-sorting. A track or disc number that refusalOfFieldEdit refuses changes nothing.
    void commitEdit(const QUuid& songId, QStringView field, const QString& text);
    // A click on star `stars` (1..5): the same value as the current rating clears it. Not undoable.
    void setRating(const QUuid& songId, int stars);
    // `stars` (0..5, 0 clears) for every song of `songIds`, as one undo step; nothing without such a song.
    void rateSongs(const QSet<QUuid>& songIds, int stars);
    // Swap the whole folder with the previous or next value of the history; nothing when there is none.
    // The songs' file values (what their files hold) stay as they are: they describe the files, which
    // undo does not change.
    void undo();
    void redo();
    // The files of these songs now hold these values (a save wrote them), which later saves compare with.
    // Neither an edit nor undoable; nothing shown changes.
    void recordFileValues(const QList<std::pair<QUuid, FileValues>>& written);

    // ---- Changes made outside (FolderWatch.h) ----
    // Our own work on the files (a save, a rename, a trash move) holds this while it runs: what the folder
    // watch sees meanwhile is not another program's change. The hold ends with release() (from any
    // thread) or when its last copy goes.
    struct FileWork;
    class FileWorkHold {
    public:
        explicit FileWorkHold(std::shared_ptr<FileWork> work);
        FileWorkHold(const FileWorkHold&) = delete;
        FileWorkHold& operator=(const FileWorkHold&) = delete;
        ~FileWorkHold();
        void release();

    private:
        std::shared_ptr<FileWork> m_work;
        bool m_released = false;
    };
    std::shared_ptr<FileWorkHold> holdFileWork();
    bool isDoingFileWork() const;
    // Counts the holds ever taken: a comparison begun before the latest one is stale.
    quint64 fileWorkGeneration() const;
    // A load or reload runs or waits for its turn.
    bool isLoadQueued() const { return m_runningLoad || !m_pendingLoads.isEmpty(); }
    // Lays what other programs changed in the files over the folder and over every value undo and redo
    // bring back: gone songs leave the list and the selection, new ones are appended (sorted in when the
    // list is sorted), and songs read again keep the user's unsaved edits. Not undoable.
    void applyOutsideChanges(const FolderChanges& changes);

    // Moves the song's file to the user's trash off the UI thread, then drops the song from the folder
    // and the visible list and counts it out. Failures show "Error deleting file: " and the reason in the
    // alert. Not undoable, and the selection is left as it is. The future finishes once the outcome has
    // been applied.
    QFuture<void> moveToTrash(const QUuid& songId);

signals:
    void currentFolderChanged();
    void visibleSongsChanged();
    void songsReset(bool animated);
    void songChanged(int row);
    void songRemoved(int row);
    void totalSongsChanged();
    void isLoadingChanged();
    void maximumSongsChanged();
    void sortColumnChanged();
    void sortAscendingChanged();
    void selectedSongIdsChanged();
    void showExportAlertChanged();
    void exportAlertMessageChanged();
    void activeSheetChanged();
    void editingFieldChanged();
    // A sort done on a worker thread has been applied to the folder and the visible songs.
    void sortApplied();

private:
    // Loading sorts the new songs on its worker thread by the order asked for when it began, so that a
    // large folder is not sorted on the UI thread; the order is applied there again only when the user
    // changed it meanwhile.
    struct SortOrder {
        std::optional<QString> column;
        bool ascending = true;
    };
    struct SortedSongs {
        QList<Song> songs;
        bool sorted = false;
    };
    static SortedSongs sortedForLoad(QList<Song> songs, const SortOrder& order);
    void setLoadedFolder(const QUrl& location, const SortedSongs& loaded, const SortOrder& order);
    // The alert of a folder with `count` supported files, more than `maximum`.
    static QString tooManySongsMessage(int count, int maximum);
    // Puts a changed song back into the folder and into its row of the visible list.
    void replaceSong(const Song& song);
    // Runs the history's maintenance (reducing snapshots to their differences, rebuilding the next one
    // to restore) one step at a time on a worker thread, so that a change, an undo or a redo costs the
    // UI thread no more than a copy of the folder.
    void maintainHistory();
    void sortOnWorker();
    // `restored` (a value of the history) with the current songs' file values.
    MusicFolder withCurrentFileValues(MusicFolder restored) const;
    void assertUiThread() const;
    void storePreference(QLatin1StringView key, const std::optional<QVariant>& value);

    // One queued load or reload (FolderLoading.cpp).
    struct FolderLoad;
    QFuture<void> enqueueLoad(std::shared_ptr<FolderLoad> load);
    void startNextLoad();
    void runLoad(const std::shared_ptr<FolderLoad>& load);
    void runReload(const std::shared_ptr<FolderLoad>& load);
    void endLoad(const std::shared_ptr<FolderLoad>& load);
    void scanLoad(const std::shared_ptr<FolderLoad>& load);
    void buildLoad(const std::shared_ptr<FolderLoad>& load, const QStringList& files);
    void failLoad(const std::shared_ptr<FolderLoad>& load, const QString& message);
    // The user stopped the load: the folder shown before it comes back.
    void stopLoad(const std::shared_ptr<FolderLoad>& load);
    void abortLoad(const std::shared_ptr<FolderLoad>& load, const QString& reason);
    void endOnFailure(QFuture<void> stage, const std::shared_ptr<FolderLoad>& load);

    std::optional<MusicFolder> m_currentFolder;
    QList<Song> m_visibleSongs;
    int m_totalSongs = 0;
    bool m_isLoading = false;
    int m_maximumSongs = 0;
    std::optional<QString> m_sortColumn;
    bool m_sortAscending = true;
    QSet<QUuid> m_selectedSongIds;
    std::optional<QUuid> m_lastSelectedId;
    bool m_showExportAlert = false;
    QString m_exportAlertMessage;
    std::optional<ActiveSheet> m_activeSheet;
    std::optional<QString> m_editingField;
    EditingManager m_editingManager;
    HistoryManager m_historyManager;
    bool m_historyWorkRunning = false;
    quint64 m_sortGeneration = 0; // bumped by every header click
    SerialExecutor m_preferenceWriter;
    QList<std::shared_ptr<FolderLoad>> m_pendingLoads;
    std::shared_ptr<FolderLoad> m_runningLoad;
    std::function<std::optional<Song>(const QString&)> m_songFactory;
    ProgressManager* m_progress;
    ToastManager* m_toasts;
    std::shared_ptr<FileWork> m_fileWork;
};

} // namespace quirella
