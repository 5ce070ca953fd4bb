// SPDX-License-Identifier: GPL-3.0-or-later
// What the window needs from the preview player. The player itself arrives later; until then the hooks
// are empty and the play cell and "Play" do nothing.
#pragma once

#include "model/Song.h"

#include <QUuid>

#include <functional>
#include <optional>

namespace quirella::ui {

struct PreviewHooks {
    std::function<void(const Song&)> play;             // start this song
    std::function<void()> togglePlayPause;             // the current song's play cell
    std::function<std::optional<QUuid>()> currentSong; // the player's current song, if any
    std::function<bool()> isPlaying;
    std::function<void()> stop;

    bool isCurrent(const QUuid& songId) const {
        const std::optional<QUuid> current = currentSong ? currentSong() : std::nullopt;
        return current && *current == songId;
    }
    bool playing() const { return isPlaying && isPlaying(); }
};

} // namespace quirella::ui
