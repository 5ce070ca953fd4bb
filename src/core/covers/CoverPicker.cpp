// SPDX-License-Identifier: GPL-3.0-or-later
#include "covers/CoverPicker.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace quirella {

namespace {

const char* const kTypeMessage = QT_TRANSLATE_NOOP("CoverPicker", "Please use PNG or JPEG images only");
const char* const kSizeMessage =
    QT_TRANSLATE_NOOP("CoverPicker", "Image too large! Please use an image under 1MB");
const char* const kDecodeMessage = QT_TRANSLATE_NOOP("CoverPicker", "Could not load image");
const char* const kResolutionMessage =
    QT_TRANSLATE_NOOP("CoverPicker", "Image resolution too large! Max 2000x2000.");

CoverPick refused(const char* message) {
    CoverPick pick;
    pick.errorMessage = QCoreApplication::translate("CoverPicker", message);
    return pick;
}

bool fitsResolution(QSize size) {
    return size.width() <= CoverPickLimits::maxWidth && size.height() <= CoverPickLimits::maxHeight;
}

} // namespace

CoverPick checkCoverImageFile(const QString& path) {
    const QFileInfo info(path);
    if (!CoverPickLimits::allowedExtensions().contains(info.suffix().toLower())) {
        return refused(kTypeMessage);
    }
    // A size that cannot be read passes this check; the capped read below still enforces the limit.
    if (info.exists() && info.isFile() && info.size() > CoverPickLimits::maxFileSize) {
        return refused(kSizeMessage);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return refused(kDecodeMessage);
    }
    QByteArray bytes = file.read(CoverPickLimits::maxFileSize + 1);
    if (bytes.size() > CoverPickLimits::maxFileSize) {
        return refused(kSizeMessage); // grew since it was looked at, or had no size to tell
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(64); // MiB; 2000 x 2000 RGBA needs 16
    // A small file may announce an enormous picture; it is refused by its header, before the pixels are
    // allocated, with the message the decoded size would have given.
    const QSize announced = reader.size();
    // The box is square, so a rotation by the file's orientation tag cannot change the answer.
    if (announced.isValid() && !fitsResolution(announced)) {
        return refused(kResolutionMessage);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return refused(kDecodeMessage);
    }
    if (!fitsResolution(image.size())) {
        return refused(kResolutionMessage);
    }
    buffer.close();
    CoverPick pick;
    pick.image = std::move(image);
    pick.bytes = std::move(bytes);
    return pick;
}

} // namespace quirella
