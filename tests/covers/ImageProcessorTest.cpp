// SPDX-License-Identifier: GPL-3.0-or-later
#include "covers/ImageProcessor.h"

#include "support/AudioFiles.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace quirella {
namespace {

using test::le32;
using test::raw;

bool isPNG(const QByteArray& bytes) {
    return bytes.startsWith("\x89PNG\r\n\x1a\n");
}

bool isJPEG(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xD8\xFF");
}

QSize decodedSize(const QByteArray& bytes) {
    return QImage::fromData(bytes).size();
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

// Random pixels compress badly, which is what pushes encodings past their budgets.
QImage noise(int width, int height, bool alpha, quint32 seed = 7) {
    QImage image(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 value = random.generate();
            line[x] = alpha ? value : (value | 0xFF000000u);
        }
    }
    return image;
}

// A smooth picture with a transparent corner: small as PNG.
QImage roundBadge(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBrush(QColor(200, 40, 90));
    painter.drawEllipse(0, 0, size - 1, size - 1);
    return image;
}

TEST(ImageProcessor, ResizeFitsTheLongerSideToTheBoxOrRefusesWhatCannotBeDrawn) {
    const QList<std::pair<QSize, QSize>> boxes = {{{1200, 800}, {300, 200}},
                                                  {{800, 1200}, {200, 300}},
                                                  {{100, 100}, {300, 300}},
                                                  {{1000, 333}, {300, 99}},
                                                  {{333, 1000}, {99, 300}}};
    for (const auto& [size, expected] : boxes) {
        QImage source(size, QImage::Format_RGB32);
        source.fill(Qt::darkCyan);
        const std::optional<QImage> resized = ImageProcessor::resize(source, 300, 300);
        ASSERT_TRUE(resized.has_value());
        EXPECT_EQ(resized->size(), expected);
        EXPECT_EQ(resized->format(), QImage::Format_RGBA8888);
        EXPECT_EQ(resized->pixelColor(resized->width() / 2, resized->height() / 2), QColor(Qt::darkCyan));
    }

    EXPECT_FALSE(ImageProcessor::resize(QImage(), 300, 300).has_value());
    // A 1000 x 1 strip would be 0 pixels high.
    QImage strip(1000, 1, QImage::Format_RGB32);
    strip.fill(Qt::red);
    EXPECT_FALSE(ImageProcessor::resize(strip, 300, 300).has_value());
    QImage transparent(10, 10, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    const std::optional<QImage> resized = ImageProcessor::resize(transparent, 300, 300);
    ASSERT_TRUE(resized.has_value());
    EXPECT_EQ(resized->pixelColor(5, 5).alpha(), 0) << "the copy composition keeps transparency";
}

TEST(ImageProcessor, JpegLadderTakesTheFirstQualityThatFits) {
    const QImage image = noise(300, 300, false);
    const auto at = [&](double quality) { return *ImageProcessor::encodeJPEG(image, 0, quality, true); };
    const QByteArray q85 = at(0.85);
    const QByteArray q75 = at(0.75);
    const QByteArray q70 = at(0.7);
    const QByteArray q60 = at(0.6);
    ASSERT_GT(q85.size(), q75.size());
    ASSERT_GT(q75.size(), q70.size());

    EXPECT_EQ(ImageProcessor::encodeJPEG(image, q85.size(), 0.85, false), q85);
    EXPECT_EQ(ImageProcessor::encodeJPEG(image, q70.size(), 0.85, false), q70);
    EXPECT_EQ(ImageProcessor::encodeJPEG(image, q60.size(), 0.85, false), q60);
    // Nothing fits: the first, largest encoding comes back although it is over the budget.
    EXPECT_EQ(ImageProcessor::encodeJPEG(image, 1000, 0.85, false), q85);
    EXPECT_FALSE(ImageProcessor::encodeJPEG(QImage(), 1000, 0.85, false).has_value());
}

TEST(ImageProcessor, CoverFormatDependsOnAlphaAndTarget) {
    const QByteArray badgePng = encoded(roundBadge(600), "png");
    const QByteArray opaquePng = encoded(noise(400, 200, false).scaled(40, 20), "png");
    // Random pixels with alpha: the re-encoded PNG is far over 200,000 bytes.
    const QByteArray noisyAlphaPng = encoded(noise(600, 600, true), "png");

    struct Row {
        const char* name;
        QString format;
        QByteArray bytes;
        bool png;
        QSize size;
    };
    const Row rows[] = {
        {"alpha stays PNG for mp3", QStringLiteral("mp3"), badgePng, true, {300, 300}},
        {"alpha stays PNG for aif", QStringLiteral("aif"), badgePng, true, {300, 300}},
        {"alpha becomes JPEG for wav", QStringLiteral("wav"), badgePng, false, {300, 300}},
        {"opaque PNG becomes JPEG for mp3", QStringLiteral("mp3"), opaquePng, false, {300, 150}},
        {"PNG over the budget becomes JPEG", QStringLiteral("mp3"), noisyAlphaPng, false, {300, 300}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<QByteArray> cover = prepareCover(row.format, row.bytes);
        ASSERT_TRUE(cover.has_value());
        EXPECT_EQ(isPNG(*cover), row.png);
        EXPECT_EQ(isJPEG(*cover), !row.png);
        EXPECT_LE(cover->size(), 200000);
        EXPECT_EQ(decodedSize(*cover), row.size);
    }
    EXPECT_FALSE(
        prepareCover(QStringLiteral("m4a"), badgePng).has_value()); // the M4A writer converts its own

    // The batch's conversion lower-cases the extension and also takes decoded images.
    const QImage badge = roundBadge(600);
    EXPECT_TRUE(isPNG(*ImageProcessor::coverDataForFormat(badge, QStringLiteral("MP3"))));
    EXPECT_TRUE(isJPEG(*ImageProcessor::coverDataForFormat(badge, QStringLiteral("Wav"))));
    const std::optional<QByteArray> m4a =
        ImageProcessor::coverDataForFormat(noise(900, 900, false), QStringLiteral("m4a"));
    ASSERT_TRUE(m4a.has_value());
    EXPECT_TRUE(isJPEG(*m4a));
    EXPECT_LE(m4a->size(), 500000);
    const std::optional<QByteArray> other = ImageProcessor::coverDataForFormat(badge, QStringLiteral("flac"));
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(decodedSize(*other), QSize(200, 200));
    EXPECT_EQ(ImageProcessor::prepareCoverData(badgePng), prepareCover(QStringLiteral("mp3"), badgePng));
}

TEST(ImageProcessor, UndecodableBytesGiveNothing) {
    // A bitmap header that announces 60000 x 60000 pixels: refused before any pixel memory is taken.
    const QByteArray hugeBmp = "BM" + le32(70) + le32(0) + le32(54) + le32(40) + le32(60000) + le32(60000) +
                               raw("\x01\x00\x18\x00") + le32(0) + le32(16) + QByteArray(32, '\0');
    const QByteArray truncatedPng = encoded(roundBadge(64), "png").left(60);
    const QByteArray inputs[] = {QByteArray(), QByteArray("not a picture at all"), truncatedPng, hugeBmp};
    for (const QByteArray& bytes : inputs) {
        SCOPED_TRACE(bytes.left(8).toHex().toStdString());
        EXPECT_FALSE(ImageProcessor::prepareCoverData(bytes).has_value());
        EXPECT_FALSE(ImageProcessor::processImage(bytes, 200, 200).has_value());
        EXPECT_FALSE(prepareCover(QStringLiteral("wav"), bytes).has_value());
        EXPECT_FALSE(ImageProcessor::coverDataForFormat(bytes, QStringLiteral("m4a")).has_value());
    }
}

TEST(ImageProcessor, CachesAreEmptiedWhenFullAndKeepFormatsApart) {
    ImageProcessor::clearCache();
    const QByteArray first = test::imageBytes(QColor::fromHsv(0, 200, 200), 40, 30, "PNG");
    for (int i = 0; i < 50; ++i) {
        const std::optional<QByteArray> result = ImageProcessor::processImage(
            test::imageBytes(QColor::fromHsv(i * 7, 200, 200), 40, 30, "PNG"), 200, 200);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(decodedSize(*result), QSize(200, 150));
    }
    EXPECT_EQ(ImageProcessor::cacheSize(), 50);
    // A hit stores nothing.
    ASSERT_TRUE(ImageProcessor::processImage(first, 200, 200).has_value());
    EXPECT_EQ(ImageProcessor::cacheSize(), 50);
    // The same picture in another box is another entry: the 51st, which empties the cache first.
    ASSERT_TRUE(ImageProcessor::processImage(first, 100, 100).has_value());
    EXPECT_EQ(ImageProcessor::cacheSize(), 1);

    // Results of 100,000 bytes or more are returned but not kept.
    const std::optional<QByteArray> big =
        ImageProcessor::processImage(encoded(noise(500, 500, false), "png"), 800, 800);
    ASSERT_TRUE(big.has_value());
    EXPECT_GE(big->size(), 100000);
    EXPECT_EQ(ImageProcessor::cacheSize(), 1);
    ImageProcessor::clearCache();
    EXPECT_EQ(ImageProcessor::cacheSize(), 0);

    // Conversions for a format have a cache of their own.
    const QByteArray photo = encoded(noise(700, 500, false, 11), "jpeg");
    const std::optional<QByteArray> wav = prepareCover(QStringLiteral("wav"), photo);
    ASSERT_TRUE(wav.has_value());
    EXPECT_EQ(ImageProcessor::convertedCoverCacheSize(), 1);
    EXPECT_EQ(prepareCover(QStringLiteral("wav"), photo), wav);
    EXPECT_EQ(ImageProcessor::convertedCoverCacheSize(), 1);
    // The per-format conversions of one picture are kept apart.
    ASSERT_TRUE(prepareCover(QStringLiteral("mp3"), photo).has_value());
    EXPECT_EQ(ImageProcessor::convertedCoverCacheSize(), 2);
    ImageProcessor::clearCache();
    EXPECT_EQ(ImageProcessor::convertedCoverCacheSize(), 0);
}

} // namespace
} // namespace quirella
