// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HistoryManager.h"

namespace quirella {

void HistoryManager::saveState(const MusicFolder& folder) {
    while (m_historyStack.size() >= maxHistorySize) {
        m_historyStack.removeFirst();
    }
    m_historyStack.append(folder);
    m_redoStack.clear();
}

std::optional<MusicFolder> HistoryManager::undo(const MusicFolder& current) {
    if (m_historyStack.isEmpty()) {
        return std::nullopt;
    }
    MusicFolder previous = m_historyStack.takeLast();
    m_redoStack.append(current);
    return previous;
}

std::optional<MusicFolder> HistoryManager::redo(const MusicFolder& current) {
    if (m_redoStack.isEmpty()) {
        return std::nullopt;
    }
    MusicFolder next = m_redoStack.takeLast();
    m_historyStack.append(current);
    return next;
}

void HistoryManager::changeAll(const std::function<void(MusicFolder&)>& change) {
    for (QList<MusicFolder>* stack : {&m_historyStack, &m_redoStack}) {
        for (MusicFolder& folder : *stack) {
            change(folder);
        }
    }
}

void HistoryManager::clear() {
    m_historyStack.clear();
    m_redoStack.clear();
}

} // namespace quirella
