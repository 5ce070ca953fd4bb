// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a music file's tags for loading, through the same parse each format's writer uses to decide what
// a save keeps (see StoredTags.h). Only the parts of the file that hold tags are read.
#pragma once

#include "tags/StoredTags.h"
#include "tags/TagError.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quirella {

// The tags of an MP3, M4A, WAV, AIFF, FLAC, Ogg (Vorbis or Opus) file; `extension` is the lower-case
// extension that selects the format. Fails when the file cannot be read, or when its tags cannot be read
// whole (a damaged FLAC or Ogg header, a file that is not the format its extension names): the writer
// refuses such a file too. Blocking and safe to call from several threads at once.
TagResult<StoredTags> readStoredTags(const QString& path, const QString& extension);

// The tags and, where the bytes that describe the audio tell it, the length in seconds (as TagLib gives
// it; see AudioLength.h), through one opening of the file. The length is nothing where the tags fail.
struct FileReading {
    TagResult<StoredTags> tags;
    std::optional<double> seconds;
};
FileReading readTagsAndLength(const QString& path, const QString& extension);

// The same for a whole file held in memory.
TagResult<StoredTags> storedTagsOf(QByteArrayView file, const QString& extension);

} // namespace quirella
