// SPDX-License-Identifier: GPL-3.0-or-later
// Cover image operations: fitting into a box, JPEG and PNG encoding within byte budgets, the conversion
// per audio format, and a small process-wide cache of converted covers. All of them are synchronous,
// safe to call from any thread, and report failure as an absent result.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

namespace quirella {

class ImageProcessor {
public:
    // Fits the image into the box, up or down, keeping its aspect ratio; the longer side touches the box.
    // The result is an 8-bit RGBA image.
    static std::optional<QImage> resize(const QImage& image, int boxWidth, int boxHeight);
    // With singleShot: one encoding at `quality` (0..1). Otherwise the ladder quality, 0.75, 0.7, 0.65,
    // 0.6, taking the first result of at most maxBytes, else the encoding at `quality`.
    static std::optional<QByteArray> encodeJPEG(const QImage& image, qint64 maxBytes, double quality,
                                                bool singleShot);
    static std::optional<QByteArray> encodePNG(const QImage& image);
    // A user-supplied cover: 300-pixel fit; PNG when the source has alpha and the PNG fits 200,000 bytes,
    // else JPEG within 200,000 bytes.
    static std::optional<QByteArray> prepareCoverData(const QByteArray& imageBytes);
    // The cover as the tag writer of a file with this extension wants it (see ImageProcessor.cpp).
    static std::optional<QByteArray> coverDataForFormat(const QImage& image, const QString& fileExtension);
    // The same for encoded picture bytes, as read from a cover file; the alpha flag is the decoded
    // picture's. Repeated conversions of the same bytes for the same format are answered from a cache.
    static std::optional<QByteArray> coverDataForFormat(const QByteArray& imageBytes,
                                                        const QString& fileExtension);
    // Fit into the box and encode as JPEG at 0.7 in one shot; results under 100,000 bytes are cached
    // (at most 50 entries; a full cache is emptied before the next insert).
    static std::optional<QByteArray> processImage(const QByteArray& imageBytes, int boxWidth, int boxHeight);
    static void clearCache();
    static int cacheSize();
    // Entries of the second cache, which remembers conversions per format (cleared by clearCache too).
    static int convertedCoverCacheSize();
};

// The conversion each writer of its own picture records applies to the cover it is given: "mp3", "aiff",
// "aif", and the Vorbis-comment formats "flac", "ogg", "oga", "opus" get the 300-pixel fit with PNG for
// alpha sources (within 200,000 bytes) else JPEG within 200,000 bytes; "wav" always JPEG within 200,000
// bytes; any other format gives no result.
std::optional<QByteArray> prepareCover(const QString& format, const QByteArray& imageBytes);

} // namespace quirella
