// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quirella {

// Writes cover bytes to `<private temp>/<prefix>_<hash>.jpg` unless that file exists, and returns its
// path (absent when it cannot be written). The name depends only on the bytes, so the same picture maps
// to one file and is written once. The extension is ".jpg" even for PNG bytes.
// Prefixes: "Cover" (loading), "WAV_Cover" (WAV reader), "AutoCover" (online), "Quirella_Cover" (user).
std::optional<QString> saveCoverToTemp(const QByteArray& bytes, const QString& prefix);

// The hash used in cover file names: XXH64, stable across runs and machines, fast on large pictures.
quint64 coverHash(const QByteArray& bytes);

} // namespace quirella
