// SPDX-License-Identifier: GPL-3.0-or-later
// Safe replacement of a user's file. The new bytes go to a temporary file created exclusively in the
// same folder, are flushed to disk, get the original's permission bits (and owner, where permitted),
// and are renamed over the original; then the folder is flushed. A crash, a kill or a full disk at any
// moment leaves either the old file or the new one. A symbolic link keeps pointing at the rewritten
// file, because the link's target is what gets replaced.
#pragma once

#include "tags/TagError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quirella::atomicfile {

// Name prefix of our temporary files next to the user's files; a sweep may remove stale ones.
inline constexpr char kTempPrefix[] = ".quirella-tmp-";

// Whether the file can be rewritten in place: it exists, is a regular file (after following links),
// is writable, and its folder lets us create the temporary file.
bool isWritable(const QString& path);

// The writability check every writer makes before it reads anything: success, or `writeFailure` with
// the reason in words a person can act on (missing, a folder, not a regular file, read-only file or
// folder).
TagStatus checkWritable(const QString& path);

// The file's size in bytes after following links, or -1 when it cannot be read.
qint64 fileSize(const QString& path);

// Reads the whole file. Errors come back as `TagError::platform` with the system's message.
TagResult<QByteArray> readWholeFile(const QString& path);

// Replaces the file's content with `bytes` as described above.
TagStatus replaceContents(const QString& path, const QByteArray& bytes);
// Reads at most `length` bytes from the start of the file, or from `offset` on.
TagResult<QByteArray> readHead(const QString& path, qint64 length);
TagResult<QByteArray> readRange(const QString& path, qint64 offset, qint64 length);

// Replaces the first `oldHeadSize` bytes of the file with `head`; the rest is copied from the file
// itself by the kernel, so a large file's audio never passes through our memory. `expectedSize` is the
// size the head was measured against: a file whose size has changed since is left as it was.
TagStatus replaceHead(const QString& path, QByteArrayView head, qint64 oldHeadSize, qint64 expectedSize);

// Replaces `path` with the finished file `replacement` (which must be on the same file system, in any
// folder), keeping the original's permission bits; `replacement` is gone afterwards on success.
TagStatus replaceWithFile(const QString& path, const QString& replacement);

// Removes our temporary files in `folder` (not below it) that are older than `minimumAgeSeconds`.
int sweepStaleTemporaryFiles(const QString& folder, int minimumAgeSeconds = 600);

} // namespace quirella::atomicfile
