// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo over whole folder values. Edits change the in-memory folder long before anything is
// written, so a snapshot of the folder taken before a change is all undo needs. Snapshots share their
// strings and byte arrays with the live folder, so twenty snapshots of a thousand songs stay cheap.
#pragma once

#include "model/Song.h"

#include <QList>

#include <functional>
#include <optional>

namespace quirella {

class HistoryManager {
public:
    static constexpr qsizetype maxHistorySize = 20;

    // Records the folder as it was just before an undoable change. The oldest snapshot goes once the
    // stack is full, and a new change forgets everything that could have been redone.
    void saveState(const MusicFolder& folder);
    // The folder value to make current, or nothing when there is nothing to undo (then nothing changes).
    // `current` is kept for redo.
    std::optional<MusicFolder> undo(const MusicFolder& current);
    // Likewise in the other direction; `current` becomes undoable again.
    std::optional<MusicFolder> redo(const MusicFolder& current);
    // Changes every value of both stacks alike: a change made outside (files added or changed on disk)
    // holds whichever value undo or redo brings back.
    void changeAll(const std::function<void(MusicFolder&)>& change);
    // Forgets both stacks (the application reset).
    void clear();

    bool canUndo() const { return !m_historyStack.isEmpty(); }
    bool canRedo() const { return !m_redoStack.isEmpty(); }
    // Oldest snapshot first.
    const QList<MusicFolder>& historyStack() const { return m_historyStack; }
    // Most recently undone last.
    const QList<MusicFolder>& redoStack() const { return m_redoStack; }

private:
    QList<MusicFolder> m_historyStack;
    QList<MusicFolder> m_redoStack;
};

} // namespace quirella
