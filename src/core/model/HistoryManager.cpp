// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HistoryManager.h"

#include <QHash>

namespace quirella {

namespace {

using Difference = SnapshotStack::Difference;

bool equalApartFromFileValues(const Song& a, const Song& b) {
    if (a.fileValues == b.fileValues) {
        return a == b;
    }
    Song withTheirs = a;
    withTheirs.fileValues = b.fileValues;
    return withTheirs == b;
}

// The fields a difference lists; every other field of a song that differs keeps the song whole.
template <typename Visit>
void forEachListedField(Difference& difference, Visit&& visit) {
    visit(difference.names, &Song::name);
    visit(difference.artists, &Song::artist);
    visit(difference.genres, &Song::genre);
    visit(difference.years, &Song::year);
    visit(difference.ratings, &Song::rating);
    visit(difference.bpms, &Song::bpm);
    visit(difference.covers, &Song::coverImagePath);
}

template <typename Visit>
void forEachListedField(const Difference& difference, Visit&& visit) {
    forEachListedField(const_cast<Difference&>(difference), std::forward<Visit>(visit));
}

// Records what turns `newer` back into `older`, song `row` of the older value.
void recordSong(Difference& difference, qint32 row, const Song& older, const Song& newer) {
    bool listedDiffer = false;
    forEachListedField(difference,
                       [&](auto&, auto member) { listedDiffer |= older.*member != newer.*member; });
    if (!listedDiffer) {
        if (!equalApartFromFileValues(older, newer)) {
            difference.wholeSongs.append({row, older});
        }
        return;
    }
    Song patched = newer;
    forEachListedField(difference, [&](auto&, auto member) { patched.*member = older.*member; });
    if (!equalApartFromFileValues(patched, older)) {
        difference.wholeSongs.append({row, older});
        return;
    }
    forEachListedField(difference, [&](auto& changes, auto member) {
        if (older.*member != newer.*member) {
            changes.append({row, older.*member});
        }
    });
}

} // namespace

Difference SnapshotStack::difference(const MusicFolder& older, const MusicFolder& newer) {
    Difference difference;
    difference.id = older.id;
    difference.name = older.name;
    difference.path = older.path;
    difference.songCount = older.songs.size();
    const QList<Song>& below = older.songs;
    const QList<Song>& above = newer.songs;
    QHash<QUuid, qint32> rowsAbove; // filled once the two orders part
    bool reordered = false;
    for (qint32 row = 0; row < qint32(below.size()); ++row) {
        const Song& song = below.at(row);
        qint32 source = row;
        if (row >= above.size() || above.at(row).id != song.id) {
            if (rowsAbove.isEmpty()) {
                rowsAbove.reserve(above.size());
                for (qint32 i = 0; i < qint32(above.size()); ++i) {
                    rowsAbove.insert(above.at(i).id, i);
                }
            }
            source = rowsAbove.value(song.id, -1);
        }
        if (source != row && !reordered) {
            reordered = true;
            difference.sourceRows.reserve(below.size());
            for (qint32 i = 0; i < row; ++i) {
                difference.sourceRows.append(i);
            }
        }
        if (reordered) {
            difference.sourceRows.append(source);
        }
        if (source < 0) {
            difference.wholeSongs.append({row, song});
        } else {
            recordSong(difference, row, song, above.at(source));
        }
    }
    return difference;
}

MusicFolder SnapshotStack::rebuild(const Difference& difference, const MusicFolder& newer) {
    MusicFolder folder;
    folder.id = difference.id;
    folder.name = difference.name;
    folder.path = difference.path;
    folder.songs.reserve(difference.songCount);
    for (qsizetype row = 0; row < difference.songCount; ++row) {
        const qint32 source = difference.sourceRows.isEmpty() ? qint32(row) : difference.sourceRows.at(row);
        folder.songs.append(source >= 0 ? newer.songs.at(source) : Song());
    }
    for (const auto& [row, song] : difference.wholeSongs) {
        folder.songs[row] = song;
    }
    forEachListedField(difference, [&](const auto& changes, auto member) {
        for (const auto& [row, value] : changes) {
            folder.songs[row].*member = value;
        }
    });
    return folder;
}

void SnapshotStack::push(const MusicFolder& folder) {
    if (!m_entries.isEmpty()) {
        Entry& top = m_entries.last();
        top.difference = difference(*top.whole, folder);
        top.whole.reset();
    }
    m_entries.append(Entry{folder, {}});
}

MusicFolder SnapshotStack::pop() {
    Q_ASSERT(!m_entries.isEmpty());
    MusicFolder newest = std::move(*m_entries.last().whole);
    m_entries.removeLast();
    if (!m_entries.isEmpty()) {
        Entry& top = m_entries.last();
        top.whole = rebuild(top.difference, newest);
        top.difference = {};
    }
    return newest;
}

void SnapshotStack::dropOldest() {
    if (!m_entries.isEmpty()) {
        m_entries.removeFirst();
    }
}

QList<MusicFolder> SnapshotStack::values() const {
    QList<MusicFolder> values(m_entries.size());
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        values[i] = m_entries.at(i).whole ? *m_entries.at(i).whole
                                          : rebuild(m_entries.at(i).difference, values.at(i + 1));
    }
    return values;
}

void HistoryManager::saveState(const MusicFolder& folder) {
    while (m_historyStack.size() >= maxHistorySize) {
        m_historyStack.dropOldest();
    }
    m_historyStack.push(folder);
    m_redoStack.clear();
}

std::optional<MusicFolder> HistoryManager::undo(const MusicFolder& current) {
    if (m_historyStack.isEmpty()) {
        return std::nullopt;
    }
    MusicFolder previous = m_historyStack.pop();
    m_redoStack.push(current);
    return previous;
}

std::optional<MusicFolder> HistoryManager::redo(const MusicFolder& current) {
    if (m_redoStack.isEmpty()) {
        return std::nullopt;
    }
    MusicFolder next = m_redoStack.pop();
    m_historyStack.push(current);
    return next;
}

void HistoryManager::clear() {
    m_historyStack.clear();
    m_redoStack.clear();
}

} // namespace quirella
