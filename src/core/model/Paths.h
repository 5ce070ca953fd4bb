// Folders the application owns outside the music folder.
#pragma once

#include <QString>

namespace quirella::paths {

// `<system temp>/quirella-<uid>`, created with mode 0700 on first use. It holds every cover file and
// the temporary copies of the M4A writer. /tmp is shared with other users, so an existing entry of that
// name is used only when it is a real folder (not a link) owned by us; otherwise this returns empty.
QString privateTempDir();
// The per-user cache folder, and `tmp` inside it.
QString cacheDir();
QString libraryTmpDir();

} // namespace quirella::paths
