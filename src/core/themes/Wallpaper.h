// SPDX-License-Identifier: GPL-3.0-or-later
// Checks on a wallpaper image before the window keeps it. The image comes from whatever the user drops,
// so it may be huge or hostile: files over 20 MiB and images over 8192 pixels on a side are refused like
// an image that does not decode, before the pixels are decoded. Every function here is safe to call off
// the UI thread.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringView>

#include <optional>

namespace quirella::wallpaper {

inline constexpr qint64 maximumBytes = 20 * 1024 * 1024;
inline constexpr int maximumSide = 8192;

// The lower-cased file extensions a dropped file may have.
bool hasImageExtension(QStringView fileName);

// The image the bytes hold, or none when they are too large, too wide or tall, or do not decode.
std::optional<QImage> decode(const QByteArray& bytes);

// A dropped file's bytes: none when its extension is not an image's, it is over the size limit (checked
// before reading) or it cannot be read.
std::optional<QByteArray> readFile(const QString& path);

// The image stretched once to `size` (the screen, in device pixels), so that drawing it over a window of
// any size is a cheap scale of a screen-sized picture. Images already smaller are kept as they are.
QImage scaledForScreen(const QImage& image, const QSize& size);

} // namespace quirella::wallpaper
