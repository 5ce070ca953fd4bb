// SPDX-License-Identifier: GPL-3.0-or-later
// Cover conversion and M4A writing, as the tag-writing batch uses them: one picture converted for many
// songs (the first time, then from the cache) and one M4A file rewritten again and again.
#include "covers/ImageProcessor.h"
#include "tags/M4ATagEditor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>

using namespace quirella;

namespace {

// A photo-like picture: a gradient with some grain, so JPEG sizes are realistic.
QByteArray photoJpeg(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    QRandomGenerator random(3);
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const int grain = static_cast<int>(random.bounded(24));
            line[x] =
                qRgb((x * 255 / side + grain) & 0xFF, (y * 255 / side + grain) & 0xFF, (128 + grain) & 0xFF);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 92);
    return bytes;
}

double millisecondsPer(const QElapsedTimer& timer, int count) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6 / count;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray cover = photoJpeg(1500);
    std::printf("cover: 1500 x 1500 JPEG, %lld bytes\n", static_cast<long long>(cover.size()));

    for (const char* format : {"mp3", "wav"}) {
        ImageProcessor::clearCache();
        QElapsedTimer timer;
        timer.start();
        const std::optional<QByteArray> first = prepareCover(QString::fromLatin1(format), cover);
        const double cold = millisecondsPer(timer, 1);
        constexpr int kSongs = 1000;
        timer.restart();
        for (int i = 0; i < kSongs; ++i) {
            (void)prepareCover(QString::fromLatin1(format), cover);
        }
        std::printf("prepareCover %-4s first %.1f ms (%lld bytes), then %.3f ms each over %d songs\n", format,
                    cold, static_cast<long long>(first ? first->size() : 0), millisecondsPer(timer, kSongs),
                    kSongs);
    }

    const QString fixture = QStringLiteral(QUIRELLA_FIXTURES_DIR "/m4a-tagged.m4a");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("song.m4a"));
    if (!QFile::copy(fixture, path)) {
        std::printf("M4A fixture missing: %s\n", qPrintable(fixture));
        return 1;
    }
    TagValues values;
    values.title = QStringLiteral("Title");
    values.artist = QStringLiteral("Artist");
    values.year = 2001;
    values.genre = QStringLiteral("Jazz");
    values.rating = 3;
    values.coverImage = cover;
    constexpr int kWrites = 50;
    QElapsedTimer timer;
    timer.start();
    int failures = 0;
    for (int i = 0; i < kWrites; ++i) {
        failures += M4ATagEditor::writeTagsNow(path, values).ok() ? 0 : 1;
    }
    std::printf("M4A write with cover: %.2f ms each over %d writes (%d failed)\n",
                millisecondsPer(timer, kWrites), kWrites, failures);
    return failures == 0 ? 0 : 1;
}
