// SPDX-License-Identifier: GPL-3.0-or-later
// The length of a music file, read with TagLib from its audio properties. The tags themselves are read by
// our own parsers (TagReader.h), the same ones the writers use.
#pragma once

#include <QString>

#include <optional>

namespace quirella {

// The duration in seconds of an MP3, M4A, WAV, AIFF, FLAC, Ogg (Vorbis or Opus) file, opened read-only;
// `extension` is the lower-case extension that selects the format. Nothing when TagLib cannot tell.
// Blocking and safe to call from several threads at once.
std::optional<double> readDuration(const QString& path, const QString& extension);

} // namespace quirella
