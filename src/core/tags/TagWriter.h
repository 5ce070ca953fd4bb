// SPDX-License-Identifier: GPL-3.0-or-later
// The one face of the four tag writers (MP3, WAV, AIFF, M4A): the batch picks a writer by the file's
// extension from a table and calls it the same way whatever the format.
#pragma once

#include "tags/TagError.h"
#include "tags/TagValues.h"

#include <QFuture>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace quirella {

// Decides, once, between a write that is about to replace its file and a caller that gives up on it: a
// write the caller gave up on never replaces the file, and a caller cannot give up on a write whose
// replacement has begun (it then waits for the real outcome, which comes quickly).
class WriteCancellation {
public:
    WriteCancellation() = default;
    // `alsoCancelled` is asked at every check as well (a future's cancellation, for instance).
    explicit WriteCancellation(std::function<bool()> alsoCancelled)
        : m_alsoCancelled(std::move(alsoCancelled)) {}

    // The caller gives up. True when the file will not be replaced; false when the replacement began.
    bool cancel();
    // Asked by the write between its steps; true once the caller gave up.
    bool isCancelled();
    // The write claims the replacement; false when the caller gave up first.
    bool beginReplacement();

private:
    enum State : int { running, cancelled, replacing };
    std::atomic<int> m_state{running};
    std::function<bool()> m_alsoCancelled;
};

class TagWriter {
public:
    virtual ~TagWriter() = default;

    // Writes `values` into the file at `path` off the calling thread and reports how it went. What a
    // value writes in each format is the writer's business (see each writer); an album that is given,
    // even empty, replaces the file's album in every writer that takes one (the MP3 writer takes none).
    // `cancellation`, when set, lets the caller give up: a write that has not begun replacing its file
    // stops at its next check and leaves the file as it was.
    virtual QFuture<TagStatus> writeTags(const QString& path, TagValues values,
                                         std::shared_ptr<WriteCancellation> cancellation = {}) = 0;
};

// The status of a write given up on before it changed anything.
TagStatus cancelledWrite(const QString& path);

} // namespace quirella
