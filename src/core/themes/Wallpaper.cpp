// SPDX-License-Identifier: GPL-3.0-or-later
#include "themes/Wallpaper.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace quirella::wallpaper {

bool hasImageExtension(QStringView fileName) {
    const QString suffix = QFileInfo(fileName.toString()).suffix().toLower();
    static const QStringList accepted{QStringLiteral("jpg"),  QStringLiteral("jpeg"), QStringLiteral("png"),
                                      QStringLiteral("gif"),  QStringLiteral("bmp"),  QStringLiteral("tiff"),
                                      QStringLiteral("heic"), QStringLiteral("heif")};
    return accepted.contains(suffix);
}

std::optional<QImage> decode(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > maximumBytes) {
        return std::nullopt;
    }
    QByteArray data = bytes; // shared, not copied: QBuffer wants a non-const array
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header's size comes before any pixel is decoded; a format that does not tell it is checked
    // after decoding instead.
    const QSize declared = reader.size();
    if (declared.isValid() && (declared.width() > maximumSide || declared.height() > maximumSide)) {
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull() || image.width() > maximumSide || image.height() > maximumSide) {
        return std::nullopt;
    }
    return image;
}

std::optional<QByteArray> readFile(const QString& path) {
    if (!hasImageExtension(path)) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maximumBytes) {
        return std::nullopt;
    }
    // Read one byte past the limit: a file that grew after the size check is still refused.
    QByteArray bytes = file.read(maximumBytes + 1);
    if (bytes.isEmpty() || bytes.size() > maximumBytes) {
        return std::nullopt;
    }
    return bytes;
}

QImage scaledForScreen(const QImage& image, const QSize& size) {
    if (image.isNull() || !size.isValid() ||
        (image.width() <= size.width() && image.height() <= size.height())) {
        return image;
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace quirella::wallpaper
