// SPDX-License-Identifier: GPL-3.0-or-later
// Folders the application owns outside the music folder.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringView>

namespace quirella::paths {

// `<system temp>/quirella-<uid>`, created with mode 0700 on first use. It holds every cover file and
// the temporary copies of the M4A writer. /tmp is shared with other users, so an existing entry of that
// name is used only when it is a real folder (not a link) owned by us; otherwise this returns empty.
QString privateTempDir();
// The per-user cache folder, and `tmp` inside it.
QString cacheDir();
QString libraryTmpDir();

// File names on Linux are bytes, not text: a collection copied from an old system may hold names in
// Latin-1 or another legacy encoding. Paths travel through the application as QString with every byte
// that is not part of valid UTF-8 kept as a lone surrogate U+DC80..U+DCFF (the "surrogateescape" of
// other languages), so that converting back gives the exact bytes. Valid UTF-8 never encodes a
// surrogate, so the mapping is one to one. Every system call, TagLib included, takes `nativePath`;
// Qt's own file classes would replace those bytes and must not be given such paths.
QString fromNativePath(const QByteArray& bytes);
QByteArray nativePath(QStringView path);
// The same text for people: each escaped byte is shown as U+FFFD.
QString displayText(QStringView path);
// Whether the path holds bytes that are not UTF-8.
bool hasEscapedBytes(QStringView path);
// `path` made absolute against the current folder (kept as is when that cannot be read).
QString absolutePath(const QString& path);
// `path` as the window and the command line name what they open: absolute, without "." and ".." and with
// every link in it resolved (realpath). A file keeps its own name, links included; only the folders
// above it are resolved. A path that does not exist is made absolute and cleaned of "." and "..".
QString canonicalPath(const QString& path);
// Opens `file` for reading on the file at `path` (any name, see above). On failure `file` stays
// closed and errno tells why.
bool openForReading(QFile& file, const QString& path);

} // namespace quirella::paths
