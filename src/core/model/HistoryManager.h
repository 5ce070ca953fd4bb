// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo over whole folder values. Edits change the in-memory folder long before anything is
// written, so a snapshot of the folder taken before a change is all undo needs.
//
// A folder of 50,000 songs is some 20 MB of song records before their text, and a change copies the list,
// so twenty whole snapshots would hold half a gigabyte. Each stack therefore keeps only its newest value
// whole (sharing its list with the folder it was taken from); every older value is kept as its difference
// from the value above it: the fields of the songs that differ, and a song whole only where it differs
// in a field the difference does not list. Reducing and rebuilding values is maintenance work that the
// view model runs on a worker thread after each change, undo and redo.
#pragma once

#include "model/Song.h"

#include <QList>

#include <functional>
#include <optional>
#include <utility>

namespace quirella {

// A stack of folder values of which, once maintained, only the newest is held whole. Pushing and popping
// cost no more than a copy of a list: the work in proportion to the folder's size (reducing a value to its
// difference, rebuilding a value from one) is handed out as maintenance work, which a caller runs off the
// UI thread (doWork is a pure function) and hands back. Every value reads the same in every state.
class SnapshotStack {
public:
    // What turns the value above back into the value below.
    struct Difference {
        QUuid id;
        QString name;
        QUrl path;
        // Empty: song i comes from song i of the value above. Otherwise one entry per song: its row in the
        // value above, or -1 when it is kept whole.
        QList<qint32> sourceRows;
        QList<std::pair<qint32, Song>> wholeSongs;
        QList<std::pair<qint32, QString>> names;
        QList<std::pair<qint32, QString>> artists;
        QList<std::pair<qint32, QString>> genres;
        QList<std::pair<qint32, qint64>> years;
        QList<std::pair<qint32, qint64>> ratings;
        QList<std::pair<qint32, qint64>> bpms;
        QList<std::pair<qint32, std::optional<QString>>> covers;
        QList<std::pair<qint32, QString>> albums;
        QList<std::pair<qint32, QString>> albumArtists;
        QList<std::pair<qint32, NumberPair>> tracks;
        QList<std::pair<qint32, NumberPair>> discs;
        qsizetype songCount = 0;
    };
    static Difference difference(const MusicFolder& older, const MusicFolder& newer);
    static MusicFolder rebuild(const Difference& difference, const MusicFolder& newer);

    // One step of maintenance: reduce a value below the top to its difference from the value above it,
    // or rebuild the top (left as a difference by a pop) so that the next pop finds it whole.
    struct Work {
        quint64 entry = 0;
        quint64 above = 0; // reduce: the entry whose value `newer` is
        bool rebuildTop = false;
        MusicFolder older;     // reduce: the value to reduce
        MusicFolder newer;     // reduce: the value above; rebuild: the value the difference is taken from
        Difference difference; // rebuild
    };
    struct WorkDone {
        quint64 entry = 0;
        quint64 above = 0;
        bool rebuildTop = false;
        Difference difference; // reduce
        MusicFolder rebuilt;   // rebuild
    };
    static WorkDone doWork(const Work& work);

    // Puts `folder` on top.
    void push(const MusicFolder& folder);
    // Takes the newest value off (rebuilding it first when maintenance has not yet). The stack must not be
    // empty.
    MusicFolder pop();
    // Forgets the oldest value.
    void dropOldest();
    void clear() { m_entries.clear(); }
    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Every value rebuilt, oldest first.
    QList<MusicFolder> values() const;
    // Changes every value alike.
    void changeAll(const std::function<void(MusicFolder&)>& change);

    // The next maintenance step, or nothing when the stack is as small as it gets.
    std::optional<Work> nextWork() const;
    // Applies finished work unless the stack changed in a way that makes it stale. Gives back the value
    // the stack no longer holds, so that the caller can let go of it off the UI thread.
    std::optional<MusicFolder> finishWork(WorkDone done);

private:
    struct Entry {
        quint64 id = 0;
        std::optional<MusicFolder> whole;
        // Otherwise the value is `difference` applied to `base`, or to the value above when there is no base
        // (a base is kept only by the top after a pop).
        Difference difference;
        std::optional<MusicFolder> base;
    };
    MusicFolder valueAt(qsizetype index) const;
    qsizetype indexOf(quint64 id) const;

    QList<Entry> m_entries;
    quint64 m_nextId = 1;
};

class HistoryManager {
public:
    static constexpr qsizetype maxHistorySize = 20;

    // Records the folder as it was just before an undoable change. The oldest snapshot goes once the
    // stack is full, and a new change forgets everything that could have been redone.
    void saveState(const MusicFolder& folder);
    // The folder value to make current, or nothing when there is nothing to undo (then nothing changes).
    // `current` is kept for redo. The songs' file values (what their files held) are not part of a
    // snapshot: they describe the files, which undo does not change, and a restored song may carry those
    // of a later value; the view model puts the current ones back.
    std::optional<MusicFolder> undo(const MusicFolder& current);
    // Likewise in the other direction; `current` becomes undoable again.
    std::optional<MusicFolder> redo(const MusicFolder& current);
    // Changes every value of both stacks alike: a change made outside (files added or changed on disk)
    // holds whichever value undo or redo brings back.
    void changeAll(const std::function<void(MusicFolder&)>& change);
    // Forgets both stacks (the application reset).
    void clear();

    // Maintenance of both stacks (see SnapshotStack): the next step, and its result handed back.
    struct Work {
        bool redo = false;
        SnapshotStack::Work work;
    };
    struct WorkDone {
        bool redo = false;
        SnapshotStack::WorkDone done;
    };
    std::optional<Work> nextWork() const;
    static WorkDone doWork(const Work& work) { return {work.redo, SnapshotStack::doWork(work.work)}; }
    std::optional<MusicFolder> finishWork(WorkDone done);

    bool canUndo() const { return !m_historyStack.isEmpty(); }
    bool canRedo() const { return !m_redoStack.isEmpty(); }
    qsizetype undoCount() const { return m_historyStack.size(); }
    qsizetype redoCount() const { return m_redoStack.size(); }
    // Rebuilt copies, oldest snapshot first.
    QList<MusicFolder> historyStack() const { return m_historyStack.values(); }
    // Rebuilt copies, most recently undone last.
    QList<MusicFolder> redoStack() const { return m_redoStack.values(); }

private:
    SnapshotStack m_historyStack;
    SnapshotStack m_redoStack;
};

} // namespace quirella
