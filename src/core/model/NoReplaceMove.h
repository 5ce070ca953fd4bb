// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a file to a new name in the same folder without ever replacing what is there, even when another
// program creates the target between a look and the move: the refusal comes from the file system itself.
#pragma once

#include <QByteArray>
#include <QString>

namespace quirella {

struct [[nodiscard]] MoveResult {
    enum class Code { moved, targetExists, failed };
    Code code = Code::moved;
    QString description; // the system's reason, when failed
};

// How the refusal is obtained, in order of preference; a file system that supports none of the earlier
// ones falls through to the next.
enum class MoveStrategy {
    renameNoReplace,   // renameat2(RENAME_NOREPLACE): one atomic step
    linkThenUnlink,    // link() never replaces; the old name is removed afterwards
    reserveThenRename, // no hard links (FAT): create the target exclusively, then rename over it
};

// Paths as the file system's bytes. Tries `first` and the strategies after it.
MoveResult moveWithoutReplacing(const QByteArray& from, const QByteArray& to,
                                MoveStrategy first = MoveStrategy::renameNoReplace);

} // namespace quirella
