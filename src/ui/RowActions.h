// The row actions of the song table that change the folder: swapping a song's artist and title and
// moving songs to the trash.
#pragma once

#include "ui/PreviewHooks.h"

#include <QFuture>
#include <QUuid>

namespace quirella {
class ContentViewModel;
class ToastManager;
} // namespace quirella

namespace quirella::ui {

// Exchanges the title and artist of one song as one undo step. Nothing without the song.
void swapArtistAndTitle(ContentViewModel& viewModel, const QUuid& songId);

// "Delete Song" and the trash cell: stops the preview first when it plays this song (and gives the
// player 0.1 s to let go of the file), moves the file to the trash and shows "🗑 <title> moved to Trash".
// A failed move shows the view model's error alert instead of the toast. The future finishes when the
// outcome has been applied.
QFuture<void> deleteSong(ContentViewModel& viewModel, ToastManager& toasts, const QUuid& songId,
                         const PreviewHooks& preview = {});

// "Delete N Selected Songs": the selected songs are moved to the trash one after another in folder
// order, then the selection is emptied and "🗑️ N songs moved to Trash" counts the songs that went. When
// the preview's current song is among them the player is stopped first, as for a single song.
QFuture<void> deleteSelectedSongs(ContentViewModel& viewModel, ToastManager& toasts,
                                  const PreviewHooks& preview = {});

} // namespace quirella::ui
