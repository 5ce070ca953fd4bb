// SPDX-License-Identifier: GPL-3.0-or-later
#include "covers/ImageProcessor.h"

#include <QBuffer>
#include <QHash>
#include <QHashSeed>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QReadWriteLock>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace quirella {

namespace {

// Covers come out of arbitrary files; a hostile header could otherwise ask for gigabytes of pixels.
// 8192 x 8192 RGBA is 256 MiB, well above any real cover and the limit the reader enforces as well.
constexpr qint64 kMaxDecodedPixels = qint64{8192} * 8192;
constexpr int kMaxSide = 32768;
constexpr int kDecodeAllocationLimitMiB = 272;

constexpr int kCoverBox = 300;
constexpr qint64 kCoverBudget = 200000;
constexpr qint64 kM4ACoverBudget = 500000;
constexpr double kCoverQuality = 0.85;
constexpr double kProcessQuality = 0.7;
constexpr qint64 kProcessCacheableBelow = 100000;
constexpr int kProcessCacheCapacity = 50;
// Converted covers per format; each may be up to 500,000 bytes, so the bound keeps it under 16 MB.
constexpr int kFormatCacheCapacity = 32;

// A map that is emptied completely when it is full and a new entry arrives: cheap, and a batch that
// converts one picture many times keeps hitting the entry it just stored.
class BoundedCache {
public:
    explicit BoundedCache(int capacity)
        : m_capacity(capacity) {}

    std::optional<QByteArray> find(const QString& key) const {
        QReadLocker locker(&m_lock);
        const auto it = m_entries.constFind(key);
        if (it == m_entries.constEnd()) {
            return std::nullopt;
        }
        return *it;
    }

    void store(const QString& key, const QByteArray& bytes) {
        QWriteLocker locker(&m_lock);
        if (m_entries.size() >= m_capacity && !m_entries.contains(key)) {
            m_entries.clear();
        }
        m_entries.insert(key, bytes);
    }

    void clear() {
        QWriteLocker locker(&m_lock);
        m_entries.clear();
    }

    int size() const {
        QReadLocker locker(&m_lock);
        return static_cast<int>(m_entries.size());
    }

private:
    const int m_capacity;
    mutable QReadWriteLock m_lock;
    QHash<QString, QByteArray> m_entries;
};

BoundedCache& processCache() {
    static BoundedCache cache(kProcessCacheCapacity);
    return cache;
}

BoundedCache& formatCache() {
    static BoundedCache cache(kFormatCacheCapacity);
    return cache;
}

// Stable within one run, different between runs, so crafted collisions cannot be planned ahead.
QString hashText(QByteArrayView bytes) {
    const size_t seed = QHashSeed::globalSeed();
    return QString::number(static_cast<qint64>(qHash(bytes, seed)));
}

QString imageHashText(const QImage& image) {
    const QByteArrayView pixels(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    return QStringLiteral("img%1x%2f%3_").arg(image.width()).arg(image.height()).arg(int(image.format())) +
           hashText(pixels);
}

struct Decoded {
    QImage image;
    bool hasAlpha = false;
};

std::optional<Decoded> decode(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    QByteArray copy = bytes; // QBuffer wants a non-const array; this shares the data
    QBuffer buffer(&copy);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kDecodeAllocationLimitMiB);
    reader.setAutoTransform(true);
    const QSize announced = reader.size();
    if (announced.isValid() && (announced.width() > kMaxSide || announced.height() > kMaxSide ||
                                qint64{announced.width()} * announced.height() > kMaxDecodedPixels)) {
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return std::nullopt;
    }
    const bool alpha = image.hasAlphaChannel();
    return Decoded{std::move(image), alpha};
}

std::optional<QByteArray> encode(const QImage& image, const char* format, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return std::nullopt;
    }
    QImageWriter writer(&buffer, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    if (!writer.write(image) || bytes.isEmpty()) {
        return std::nullopt;
    }
    return bytes;
}

int qualityPercent(double quality) {
    if (!std::isfinite(quality)) {
        return 85;
    }
    return static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100.0));
}

// The cover of the ID3-based formats: 300-pixel fit, PNG for sources with alpha when it stays within
// the budget, else JPEG within the budget.
std::optional<QByteArray> id3Cover(const QImage& image, bool hasAlpha) {
    const std::optional<QImage> resized = ImageProcessor::resize(image, kCoverBox, kCoverBox);
    if (!resized) {
        return std::nullopt;
    }
    if (hasAlpha) {
        if (std::optional<QByteArray> png = ImageProcessor::encodePNG(*resized);
            png && png->size() <= kCoverBudget) {
            return png;
        }
    }
    return ImageProcessor::encodeJPEG(*resized, kCoverBudget, kCoverQuality, false);
}

std::optional<QByteArray> jpegCover(const QImage& image, qint64 budget) {
    const std::optional<QImage> resized = ImageProcessor::resize(image, kCoverBox, kCoverBox);
    if (!resized) {
        return std::nullopt;
    }
    return ImageProcessor::encodeJPEG(*resized, budget, kCoverQuality, false);
}

std::optional<QByteArray> processDecoded(const QImage& image, int boxWidth, int boxHeight) {
    const std::optional<QImage> resized = ImageProcessor::resize(image, boxWidth, boxHeight);
    if (!resized) {
        return std::nullopt;
    }
    return ImageProcessor::encodeJPEG(*resized, 0, kProcessQuality, true);
}

QString processKey(const QString& hash, int boxWidth, int boxHeight) {
    return hash + QStringLiteral("_%1x%2").arg(boxWidth).arg(boxHeight);
}

std::optional<QByteArray> processCached(const QString& hash, int boxWidth, int boxHeight,
                                        const std::function<std::optional<QImage>()>& source) {
    const QString key = processKey(hash, boxWidth, boxHeight);
    if (std::optional<QByteArray> hit = processCache().find(key)) {
        return hit;
    }
    const std::optional<QImage> image = source();
    if (!image) {
        return std::nullopt;
    }
    std::optional<QByteArray> result = processDecoded(*image, boxWidth, boxHeight);
    if (result && result->size() < kProcessCacheableBelow) {
        processCache().store(key, *result);
    }
    return result;
}

enum class CoverKind { id3, wavJpeg, m4aJpeg, other, none };

CoverKind kindForExtension(const QString& lowerExtension) {
    if (lowerExtension == u"mp3" || lowerExtension == u"aiff" || lowerExtension == u"aif") {
        return CoverKind::id3;
    }
    if (lowerExtension == u"wav") {
        return CoverKind::wavJpeg;
    }
    if (lowerExtension == u"m4a") {
        return CoverKind::m4aJpeg;
    }
    return CoverKind::other;
}

std::optional<QByteArray> convertDecoded(const QImage& image, bool hasAlpha, CoverKind kind) {
    switch (kind) {
    case CoverKind::id3:
        return id3Cover(image, hasAlpha);
    case CoverKind::wavJpeg:
        return jpegCover(image, kCoverBudget);
    case CoverKind::m4aJpeg:
        return jpegCover(image, kM4ACoverBudget);
    case CoverKind::other:
    case CoverKind::none:
        break;
    }
    return std::nullopt;
}

// Looks the conversion up by the input's hash and the target; converts and remembers it on a miss.
std::optional<QByteArray> convertCached(const QString& key,
                                        const std::function<std::optional<QByteArray>()>& convert) {
    if (std::optional<QByteArray> hit = formatCache().find(key)) {
        return hit;
    }
    std::optional<QByteArray> result = convert();
    if (result) {
        formatCache().store(key, *result);
    }
    return result;
}

} // namespace

std::optional<QImage> ImageProcessor::resize(const QImage& image, int boxWidth, int boxHeight) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0 || boxWidth <= 0 || boxHeight <= 0) {
        return std::nullopt;
    }
    // Exact integer arithmetic gives the integer part of box * ratio without rounding surprises
    // (800 x 1200 must give 200, not 199).
    const qint64 sourceWidth = image.width();
    const qint64 sourceHeight = image.height();
    qint64 width = 0;
    qint64 height = 0;
    if (sourceWidth > sourceHeight) {
        width = boxWidth;
        height = qint64{boxWidth} * sourceHeight / sourceWidth;
    } else {
        height = boxHeight;
        width = qint64{boxHeight} * sourceWidth / sourceHeight;
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return std::nullopt;
    }
    QImage bitmap(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGBA8888);
    if (bitmap.isNull()) {
        return std::nullopt;
    }
    bitmap.fill(Qt::transparent);
    // Scaling first with the area-averaging smooth scaler keeps large downscales free of aliasing;
    // the copy composition then takes the pixels, alpha included, as they are.
    const QImage scaled = image.scaled(bitmap.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        return std::nullopt;
    }
    QPainter painter(&bitmap);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setOpacity(1.0);
    painter.drawImage(QRect(0, 0, bitmap.width(), bitmap.height()), scaled);
    painter.end();
    return bitmap;
}

std::optional<QByteArray> ImageProcessor::encodeJPEG(const QImage& image, qint64 maxBytes, double quality,
                                                     bool singleShot) {
    if (image.isNull()) {
        return std::nullopt;
    }
    const int first = qualityPercent(quality);
    if (singleShot) {
        return encode(image, "jpeg", first);
    }
    std::optional<QByteArray> firstEncoding;
    for (const int step : {first, 75, 70, 65, 60}) {
        std::optional<QByteArray> bytes = encode(image, "jpeg", step);
        if (!bytes) {
            return std::nullopt;
        }
        if (bytes->size() <= maxBytes) {
            return bytes;
        }
        if (!firstEncoding) {
            firstEncoding = std::move(bytes);
        }
    }
    return firstEncoding;
}

std::optional<QByteArray> ImageProcessor::encodePNG(const QImage& image) {
    if (image.isNull()) {
        return std::nullopt;
    }
    return encode(image, "png", -1);
}

std::optional<QByteArray> ImageProcessor::prepareCoverData(const QByteArray& imageBytes) {
    const std::optional<Decoded> decoded = decode(imageBytes);
    if (!decoded) {
        return std::nullopt;
    }
    return id3Cover(decoded->image, decoded->hasAlpha);
}

// By lower-cased extension:
//   "mp3", "aiff", "aif"  300-pixel fit; PNG when the picture has alpha and the PNG is at most 200,000
//                         bytes, else JPEG within 200,000 bytes starting at 0.85
//   "wav"                 300-pixel fit, JPEG within 200,000 bytes starting at 0.85 (never PNG)
//   "m4a"                 300-pixel fit, JPEG within 500,000 bytes starting at 0.85
//   anything else         processImage into a 200 x 200 box
// The batch converts one picture for many songs, so conversions are remembered by the input's hash and
// the extension.
std::optional<QByteArray> ImageProcessor::coverDataForFormat(const QImage& image,
                                                             const QString& fileExtension) {
    if (image.isNull()) {
        return std::nullopt;
    }
    const CoverKind kind = kindForExtension(fileExtension.toLower());
    const QString hash = imageHashText(image);
    if (kind == CoverKind::other) {
        return processCached(hash, 200, 200, [&]() -> std::optional<QImage> { return image; });
    }
    const QString key = hash + QLatin1Char('_') + fileExtension.toLower();
    return convertCached(key, [&] { return convertDecoded(image, image.hasAlphaChannel(), kind); });
}

std::optional<QByteArray> ImageProcessor::coverDataForFormat(const QByteArray& imageBytes,
                                                             const QString& fileExtension) {
    const CoverKind kind = kindForExtension(fileExtension.toLower());
    if (kind == CoverKind::other) {
        return processImage(imageBytes, 200, 200);
    }
    const QString key = hashText(imageBytes) + QLatin1Char('_') + fileExtension.toLower();
    return convertCached(key, [&]() -> std::optional<QByteArray> {
        const std::optional<Decoded> decoded = decode(imageBytes);
        if (!decoded) {
            return std::nullopt;
        }
        return convertDecoded(decoded->image, decoded->hasAlpha, kind);
    });
}

std::optional<QByteArray> ImageProcessor::processImage(const QByteArray& imageBytes, int boxWidth,
                                                       int boxHeight) {
    return processCached(hashText(imageBytes), boxWidth, boxHeight, [&]() -> std::optional<QImage> {
        std::optional<Decoded> decoded = decode(imageBytes);
        if (!decoded) {
            return std::nullopt;
        }
        return std::move(decoded->image);
    });
}

void ImageProcessor::clearCache() {
    processCache().clear();
    formatCache().clear();
}

int ImageProcessor::cacheSize() {
    return processCache().size();
}

int ImageProcessor::convertedCoverCacheSize() {
    return formatCache().size();
}

std::optional<QByteArray> prepareCover(const QString& format, const QByteArray& imageBytes) {
    // The writers pass their own lower-case names; anything else has no cover conversion. The
    // Vorbis-comment formats take their pictures as MP3 files do.
    static const QStringList formats = {QStringLiteral("mp3"), QStringLiteral("aiff"), QStringLiteral("aif"),
                                        QStringLiteral("wav")};
    static const QStringList vorbisFormats = {QStringLiteral("flac"), QStringLiteral("ogg"),
                                              QStringLiteral("oga"), QStringLiteral("opus")};
    if (vorbisFormats.contains(format)) {
        return ImageProcessor::coverDataForFormat(imageBytes, QStringLiteral("mp3"));
    }
    if (!formats.contains(format)) {
        return std::nullopt;
    }
    return ImageProcessor::coverDataForFormat(imageBytes, format);
}

} // namespace quirella
