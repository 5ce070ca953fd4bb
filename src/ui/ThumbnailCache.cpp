// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThumbnailCache.h"

#include "model/Continuation.h"

#include <QFuture>
#include <QImage>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

namespace quirella::ui {

namespace {

// Covers can be large; only the scaled result is kept, and the reader decodes at a reduced size when the
// format allows it (JPEG does). The picture fills the thumbnail whatever its shape, as the cover cell
// shows every cover in the same rounded frame.
QImage decodeThumbnail(const QString& path, QSize deviceSize) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize original = reader.size();
    if (original.isValid() && !original.isEmpty()) {
        reader.setScaledSize(deviceSize);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.size() != deviceSize) {
        image = image.scaled(deviceSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

ThumbnailCache::ThumbnailCache(QObject* parent)
    : QObject(parent)
    , m_pixmaps(48 * 1024) { // cost in KiB: a 45-pixel thumbnail at twice the pixel ratio is about 32 KiB
    m_pool.setMaxThreadCount(2);
}

ThumbnailCache::~ThumbnailCache() {
    m_pool.clear();
    m_pool.waitForDone();
}

QString ThumbnailCache::keyFor(const QString& path, QSize deviceSize) {
    return QString::number(deviceSize.width()) + QLatin1Char('x') + QString::number(deviceSize.height()) +
           QLatin1Char(':') + path;
}

bool ThumbnailCache::isPending(const QString& path, QSize deviceSize) const {
    return m_pending.contains(keyFor(path, deviceSize));
}

QPixmap ThumbnailCache::thumbnail(const QString& path, QSize deviceSize) {
    if (path.isEmpty() || deviceSize.isEmpty()) {
        return {};
    }
    const QString key = keyFor(path, deviceSize);
    if (const QPixmap* cached = m_pixmaps.object(key)) {
        return *cached;
    }
    if (m_pending.contains(key)) {
        return {};
    }
    m_pending.insert(key);
    continueOn(
        QtConcurrent::run(&m_pool, decodeThumbnail, path, deviceSize), this, [this, key, path](QImage image) {
            m_pending.remove(key);
            auto* pixmap = new QPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(std::move(image)));
            const qsizetype cost =
                qMax<qsizetype>(1, qsizetype(pixmap->width()) * pixmap->height() * 4 / 1024);
            m_pixmaps.insert(key, pixmap, cost);
            emit thumbnailReady(path);
        });
    return {};
}

} // namespace quirella::ui
