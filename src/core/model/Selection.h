// SPDX-License-Identifier: GPL-3.0-or-later
// Row selection by plain, shift and Ctrl clicks. The selection is a set of song ids, so it survives
// sorting and edits; ids of an earlier folder simply match no row.
#pragma once

#include "model/Song.h"

#include <QList>
#include <QSet>
#include <QUuid>

#include <optional>

namespace quirella {

struct Selection {
    QSet<QUuid> selectedSongIds;
    std::optional<QUuid> lastSelectedId; // the anchor of range selection
};

// The selection after a click on the song `clicked`. `command` is the Ctrl-click and is tested first:
// - command: a selected song is deselected and the anchor stays; otherwise the song is added and becomes
//   the anchor.
// - shift: when the anchor and the clicked song are both in `visibleSongs`, every row between them (both
//   included) is added to the selection and the clicked song becomes the anchor; otherwise it is a plain
//   click.
// - plain click: only the clicked song is selected, and it becomes the anchor.
Selection selectSong(Selection selection, const QList<Song>& visibleSongs, const QUuid& clicked, bool shift,
                     bool command);

} // namespace quirella
