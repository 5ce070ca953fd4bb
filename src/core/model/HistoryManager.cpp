// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/HistoryManager.h"

#include <QHash>

#include <utility>

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
    visit(difference.albums, &Song::album);
    visit(difference.albumArtists, &Song::albumArtist);
    visit(difference.tracks, &Song::track);
    visit(difference.discs, &Song::disc);
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
    m_entries.append(Entry{m_nextId++, folder, {}, {}});
}

MusicFolder SnapshotStack::valueAt(qsizetype index) const {
    const Entry& entry = m_entries.at(index);
    if (entry.whole) {
        return *entry.whole;
    }
    return rebuild(entry.difference, entry.base ? *entry.base : valueAt(index + 1));
}

qsizetype SnapshotStack::indexOf(quint64 id) const {
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        if (m_entries.at(i).id == id) {
            return i;
        }
    }
    return -1;
}

MusicFolder SnapshotStack::pop() {
    Q_ASSERT(!m_entries.isEmpty());
    MusicFolder newest = valueAt(m_entries.size() - 1);
    m_entries.removeLast();
    if (!m_entries.isEmpty()) {
        Entry& top = m_entries.last();
        if (!top.whole && !top.base) {
            top.base = newest; // the value it was reduced against leaves the stack
        }
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
        const Entry& entry = m_entries.at(i);
        values[i] = entry.whole ? *entry.whole
                                : rebuild(entry.difference, entry.base ? *entry.base : values.at(i + 1));
    }
    return values;
}

std::optional<SnapshotStack::Work> SnapshotStack::nextWork() const {
    if (m_entries.isEmpty()) {
        return std::nullopt;
    }
    // First the top, so that the next pop costs nothing.
    const Entry& top = m_entries.last();
    if (!top.whole) {
        Work work;
        work.entry = top.id;
        work.rebuildTop = true;
        work.newer = *top.base;
        work.difference = top.difference;
        return work;
    }
    // Then the oldest value below it that is still whole and has a whole value above it: going up from
    // the bottom, a run of whole values is reduced to one whole value on top.
    for (qsizetype i = 0; i + 1 < m_entries.size(); ++i) {
        const Entry& entry = m_entries.at(i);
        const Entry& above = m_entries.at(i + 1);
        if (entry.whole && above.whole) {
            Work work;
            work.entry = entry.id;
            work.above = above.id;
            work.older = *entry.whole;
            work.newer = *above.whole;
            return work;
        }
    }
    return std::nullopt;
}

SnapshotStack::WorkDone SnapshotStack::doWork(const Work& work) {
    WorkDone done;
    done.entry = work.entry;
    done.above = work.above;
    done.rebuildTop = work.rebuildTop;
    if (work.rebuildTop) {
        done.rebuilt = rebuild(work.difference, work.newer);
    } else {
        done.difference = difference(work.older, work.newer);
    }
    return done;
}

std::optional<MusicFolder> SnapshotStack::finishWork(WorkDone done) {
    const qsizetype index = indexOf(done.entry);
    if (index < 0) {
        return std::nullopt;
    }
    Entry& entry = m_entries[index];
    std::optional<MusicFolder> released;
    if (done.rebuildTop) {
        // Still as it was when the work was handed out: the difference and its base.
        if (entry.whole || !entry.base) {
            return std::nullopt;
        }
        released = std::exchange(entry.base, std::nullopt);
        entry.whole = std::move(done.rebuilt);
        entry.difference = {};
        return released;
    }
    // Reduced against the value above, which must still be the same whole value, right above it.
    if (!entry.whole || index + 1 >= m_entries.size() || m_entries.at(index + 1).id != done.above ||
        !m_entries.at(index + 1).whole) {
        return std::nullopt;
    }
    released = std::exchange(entry.whole, std::nullopt);
    entry.difference = std::move(done.difference);
    return released;
}

std::optional<HistoryManager::Work> HistoryManager::nextWork() const {
    if (std::optional<SnapshotStack::Work> work = m_historyStack.nextWork()) {
        return Work{false, std::move(*work)};
    }
    if (std::optional<SnapshotStack::Work> work = m_redoStack.nextWork()) {
        return Work{true, std::move(*work)};
    }
    return std::nullopt;
}

std::optional<MusicFolder> HistoryManager::finishWork(WorkDone done) {
    return (done.redo ? m_redoStack : m_historyStack).finishWork(std::move(done.done));
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

void SnapshotStack::changeAll(const std::function<void(MusicFolder&)>& change) {
    // Rare (files changed outside): every value is rebuilt, changed and held whole again until
    // maintenance reduces it; work handed out before names entries that are gone and is dropped.
    QList<MusicFolder> all = values();
    m_entries.clear();
    for (MusicFolder& folder : all) {
        change(folder);
        push(folder);
    }
}

void HistoryManager::changeAll(const std::function<void(MusicFolder&)>& change) {
    m_historyStack.changeAll(change);
    m_redoStack.changeAll(change);
}

void HistoryManager::clear() {
    m_historyStack.clear();
    m_redoStack.clear();
}

} // namespace quirella
