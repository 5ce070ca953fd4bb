// SPDX-License-Identifier: GPL-3.0-or-later
// Hands the application's one preview player to the window: the play cells and the row menu's "Play"
// start and toggle songs of the loaded folder, the play cell of the playing song shows its pause face,
// the player bar goes below the table and follows the window's theme, and the batches and deletions stop
// the player through the window's preview hooks.
#pragma once

namespace quirella {
class AudioManager;
}

namespace quirella::ui {

class MainWindow;
class PlayerBar;

// The player must outlive the window.
PlayerBar* attachPreviewPlayer(MainWindow& window, AudioManager& audio);

} // namespace quirella::ui
