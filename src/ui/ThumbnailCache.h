// SPDX-License-Identifier: GPL-3.0-or-later
// Cover thumbnails for the song table. Decoding a cover is file and image work, so it never happens on
// the UI thread: a cell asks for a thumbnail, gets nothing the first time, and is repainted when the
// scaled picture has been decoded on a worker thread and cached.
#pragma once

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QSize>
#include <QString>
#include <QThreadPool>

namespace quirella::ui {

class ThumbnailCache : public QObject {
    Q_OBJECT

public:
    explicit ThumbnailCache(QObject* parent = nullptr);
    ~ThumbnailCache() override;

    // The cached thumbnail of the image file at `path`, scaled to cover `deviceSize` (cropped to a square
    // by the painter), or a null pixmap while it is being decoded or when the file is not a readable
    // image. The first call for a path starts the decoding.
    QPixmap thumbnail(const QString& path, QSize deviceSize);
    bool isPending(const QString& path, QSize deviceSize) const;

signals:
    // A thumbnail finished decoding (successfully or not); views repaint the cells showing it.
    void thumbnailReady(const QString& path);

private:
    static QString keyFor(const QString& path, QSize deviceSize);

    // Null entries remember files that could not be decoded, so they are not read again and again.
    QCache<QString, QPixmap> m_pixmaps;
    QSet<QString> m_pending;
    // A pool of its own, so a thousand covers queue here instead of holding up other background work.
    QThreadPool m_pool;
};

} // namespace quirella::ui
