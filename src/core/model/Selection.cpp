// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Selection.h"

#include <algorithm>

namespace quirella {

Selection selectSong(Selection selection, const QList<Song>& visibleSongs, const QUuid& clicked, bool shift,
                     bool command) {
    if (command) {
        if (selection.selectedSongIds.remove(clicked)) {
            return selection;
        }
        selection.selectedSongIds.insert(clicked);
        selection.lastSelectedId = clicked;
        return selection;
    }
    if (shift && selection.lastSelectedId) {
        const qsizetype anchor = indexOfSong(visibleSongs, *selection.lastSelectedId);
        const qsizetype target = indexOfSong(visibleSongs, clicked);
        if (anchor >= 0 && target >= 0) {
            for (qsizetype row = std::min(anchor, target); row <= std::max(anchor, target); ++row) {
                selection.selectedSongIds.insert(visibleSongs[row].id);
            }
            selection.lastSelectedId = clicked;
            return selection;
        }
    }
    selection.selectedSongIds = {clicked};
    selection.lastSelectedId = clicked;
    return selection;
}

} // namespace quirella
