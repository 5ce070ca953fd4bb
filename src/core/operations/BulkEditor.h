// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk edits as the window and the command line run them on the loaded folder: each changing
// operation records one undo snapshot, changes a copy of the folder, assigns it back and refreshes the
// table (the change protocol of ContentViewModel::applyChange). Without a loaded folder every operation
// does nothing and answers false. Lives on the view model's thread.
#pragma once

#include "operations/NamePattern.h"
#include "operations/TagWritingBatch.h"

#include <QFuture>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUuid>

#include <functional>

namespace quirella {

class ContentViewModel;

class BulkEditor {
public:
    // `playback` is the preview player: the sidebar text tools stop it first while it plays.
    explicit BulkEditor(ContentViewModel& viewModel, PlaybackHooks playback = {});

    // ---- Column-header menus ----
    // Unknown columns change nothing and record no undo step. "Replace All Years" with text that is no
    // year from 1900 to 2099 records the step and changes nothing.
    bool clearColumn(QStringView column);
    bool uppercaseColumn(QStringView column);
    bool titleCaseColumn(QStringView column);
    bool replaceColumn(QStringView column, const QString& value);
    // Stars 1..5 (the menu offers 1..4); other values are clamped.
    bool setRatingForAll(int stars);
    bool clearRatings();

    // ---- Sheets ----
    bool setGenreForAll(const QString& genre);
    // The remove and replace sheets: one term over the text fields of every song. One undo step,
    // like every other bulk change, so a mistaken replacement over a whole folder can be taken back.
    bool replaceTextInFields(const QString& term, const QString& replacement);
    // The remove-text window: its terms in order (empty ones skipped). Records the undo step even when
    // no term is given.
    bool removeTerms(const QStringList& terms, const QString& replacement);

    // ---- Sidebar ----
    bool uppercaseAll();
    bool titleCaseAll();
    bool cleanCharactersInAllSongs();

    // "Number Tracks": the selected songs, or every song when none is selected, get the numbers 1 to N in
    // the table's order and the total N. One undo step.
    bool numberTracks();
    // "Tags from File Names": the same songs as numberTracks, each whose name matches the pattern getting
    // the values it gives. One undo step; the files are written only by WRITE TAGS.
    bool tagsFromNames(const NamePattern& pattern);
    // The songs those two work on: the selected ones, or all when none is selected, in the table's order.
    QList<Song> targetSongs() const;

    // ---- Rows ----
    // One undo step; the row is updated in place, the table keeps its order.
    bool swapArtistAndTitle(const QUuid& songId);
    // "Delete Song" and the trash cell: `stopPreviewFirst`, when given (the player plays this song), is
    // called first and the file is moved 0.1 s later, once the player has let go of it. Shows
    // "🗑 <title> moved to Trash"; a failed move shows the view model's error alert instead.
    QFuture<void> deleteSong(const QUuid& songId, const std::function<void()>& stopPreviewFirst = {});
    // "Delete N Selected Songs": the selected songs go to the trash one at a time in folder order; then
    // the selection is emptied, the table refreshed and "🗑️ N songs moved to Trash" counts the songs
    // that went. When `isPreviewSong` holds for one of them, `stopPreview` is called first and the files
    // are moved 0.1 s later, as for a single song. Not undoable. The future finishes when all is done.
    QFuture<void> moveSongsToTrash(const std::function<bool(const QUuid&)>& isPreviewSong = {},
                                   const std::function<void()>& stopPreview = {});

private:
    void stopPlayback() const;

    ContentViewModel& m_viewModel;
    PlaybackHooks m_playback;
};

} // namespace quirella
