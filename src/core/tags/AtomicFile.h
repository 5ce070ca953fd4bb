// SPDX-License-Identifier: GPL-3.0-or-later
// Safe replacement of a user's file. The new bytes go to a temporary file created exclusively in the
// same folder, are flushed to disk, get the original's owner and group (where permitted), permission
// bits and extended attributes, and take the original's name in one rename; then the folder is flushed.
// A crash, a kill or a full disk at any moment leaves either the old file or the new one. A symbolic
// link keeps pointing at the rewritten file, because the link's target is what gets replaced. The file
// replaced is always the very file that was read: another program's save in between is never undone.
#pragma once

#include "tags/TagError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <sys/stat.h>

namespace quirella::atomicfile {

// Name prefix of our temporary files next to the user's files; a sweep may remove stale ones.
inline constexpr char kTempPrefix[] = ".quirella-tmp-";

// The writability check every writer makes before it reads anything: success, or `writeFailure` with
// the reason in words a person can act on (missing, a folder, not a regular file, read-only or
// append-only file or folder).
TagStatus checkWritable(const QString& path);

// A file opened once for a rewrite: every read and the final replacement go through the same open
// descriptor, and the replacement happens only while the path still names this very file (device,
// inode, size, change time as when opened). Opening checks writability first, then refuses what is not
// a regular file without ever blocking (a pipe or a device given in a file's place).
class SourceFile {
public:
    [[nodiscard]] static TagResult<SourceFile> open(const QString& path);
    SourceFile(SourceFile&& other) noexcept;
    SourceFile& operator=(SourceFile&& other) noexcept;
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    ~SourceFile();

    const QString& path() const { return m_path; }
    // The size when opened; reads never go past it.
    qint64 size() const { return qint64(m_opened.st_size); }
    TagResult<QByteArray> read(qint64 offset, qint64 length) const; // at most `length` bytes
    TagResult<QByteArray> readAll() const;

    // One piece of the new file: bytes of ours, or a range of this file copied by the kernel (so that a
    // large file's audio never passes through our memory).
    struct Piece {
        QByteArray bytes;
        qint64 sourceOffset = -1;
        qint64 sourceLength = 0;
    };
    static Piece bytes(QByteArray b) { return {std::move(b)}; }
    static Piece range(qint64 offset, qint64 length) { return {{}, offset, length}; }

    // Replaces the file with the pieces in order, as described at the top. Fails with `writeFailure`
    // ("changed on disk while it was being saved") when the path no longer names the file opened, or a
    // range lies outside it; the file is then left as it is.
    TagStatus replace(const QList<Piece>& pieces);
    TagStatus replaceContents(const QByteArray& bytes);
    // `head`, then this file from `restOffset` to its end.
    TagStatus replaceHead(QByteArrayView head, qint64 restOffset);

private:
    SourceFile(QString path, QString target, int fd, const struct stat& opened);

    QString m_path;   // as given; messages name it
    QString m_target; // the file really replaced: the target of a link, else the path itself
    int m_fd = -1;
    struct stat m_opened {};
};

// A regular file opened for reading alone (as loading reads it), without ever blocking on a pipe or a
// device given in a file's place.
class ReadableFile {
public:
    [[nodiscard]] static TagResult<ReadableFile> open(const QString& path);
    ReadableFile(ReadableFile&& other) noexcept;
    ReadableFile& operator=(ReadableFile&& other) noexcept;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;
    ~ReadableFile();

    // The size when opened; reads never go past it.
    qint64 size() const { return m_size; }
    TagResult<QByteArray> read(qint64 offset, qint64 length) const; // at most `length` bytes

private:
    ReadableFile(QString path, int fd, qint64 size);

    QString m_path;
    int m_fd = -1;
    qint64 m_size = 0;
};

// Reads the whole file; only a regular file is read. Errors come back as `TagError::platform` with the
// system's message.
TagResult<QByteArray> readWholeFile(const QString& path);

// Opens the file and replaces its content at once (see SourceFile).
TagStatus replaceContents(const QString& path, const QByteArray& bytes);
// Replaces `path` with the content of the finished file `replacement`, which is removed on success.
TagStatus replaceWithFile(const QString& path, const QString& replacement);

// Removes our temporary files in `folder` (not below it) that are older than `minimumAgeSeconds`.
int sweepStaleTemporaryFiles(const QString& folder, int minimumAgeSeconds = 600);

// The name pattern (ending in "XXXXXX" for mkstemp) of the temporary file for a file named `fileName`
// (its bytes) in a folder whose names may be `nameLimit` bytes long: the prefix and a part of the name
// cut at a character boundary, so that file systems that want UTF-8 names (exFAT, FAT) take it.
QByteArray temporaryName(QByteArrayView fileName, qsizetype nameLimit);

// For tests only: called with the target's path after the new file is flushed, right before the check
// that the target is still the file opened; this is where another program's save would land.
void setBeforeReplacingHookForTests(void (*hook)(const QString& target));

} // namespace quirella::atomicfile
