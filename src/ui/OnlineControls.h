// SPDX-License-Identifier: GPL-3.0-or-later
// The window's online features: the network mode switch in the header bar and the three auto-search
// entries at the top of the cover, genre and year header menus.
#pragma once

namespace quirella {
class MusicMetadataManager;
class NetworkModeManager;
} // namespace quirella

namespace quirella::ui {

class MainWindow;
class NetworkModeButton;

// Uses the process-wide managers unless given others; the look-up manager is created only when a
// search first runs.
NetworkModeButton* installOnlineControls(MainWindow& window, NetworkModeManager* mode = nullptr,
                                         MusicMetadataManager* manager = nullptr);

} // namespace quirella::ui
