// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

// The resources live in this static library; Qt registers them only when asked to by name, outside any
// namespace.
static void registerQuirellaResources() {
    Q_INIT_RESOURCE(resources);
}

namespace quirella::ui::icons {

void ensureResources() {
    static const bool registered = [] {
        registerQuirellaResources();
        return true;
    }();
    (void)registered;
}

namespace {

QString fallbackPath(QStringView name) {
    ensureResources();
    return QStringLiteral(":/quirella/icons/") + name.toString() + QStringLiteral(".svg");
}

const QIcon& sourceIcon(QStringView name) {
    // Icons are looked up once per name: QIcon::fromTheme searches the theme folders.
    static QHash<QString, QIcon> icons;
    const QString key = name.toString();
    auto found = icons.find(key);
    if (found == icons.end()) {
        const QIcon fallback(fallbackPath(name));
        const QString themed = themeNameFor(name);
        found = icons.insert(key, themed.isEmpty() ? fallback : QIcon::fromTheme(themed, fallback));
    }
    return *found;
}

QString cacheKey(QStringView kind, QStringView name, const QColor& color, int size, qreal ratio) {
    return kind.toString() + QLatin1Char('|') + name.toString() + QLatin1Char('|') +
           QString::number(color.rgba(), 16) + QLatin1Char('|') + QString::number(size) + QLatin1Char('|') +
           QString::number(ratio);
}

} // namespace

QString themeNameFor(QStringView name) {
    static const QHash<QString, QString> names{
        {QStringLiteral("scissors"), QStringLiteral("edit-cut")},
        {QStringLiteral("arrow.triangle.2.circlepath"), QStringLiteral("view-refresh")},
        {QStringLiteral("trash"), QStringLiteral("user-trash")},
        {QStringLiteral("trash.fill"), QStringLiteral("edit-delete")},
        {QStringLiteral("photo"), QStringLiteral("image-x-generic")},
        {QStringLiteral("photo.fill"), QStringLiteral("image-x-generic")},
        {QStringLiteral("exclamationmark.triangle"), QStringLiteral("dialog-warning")},
        {QStringLiteral("arrow.uturn.backward"), QStringLiteral("edit-undo")},
        {QStringLiteral("arrow.uturn.forward"), QStringLiteral("edit-redo")},
        {QStringLiteral("play.fill"), QStringLiteral("media-playback-start")},
        {QStringLiteral("pause.fill"), QStringLiteral("media-playback-pause")},
        {QStringLiteral("star.fill"), QStringLiteral("starred")},
        {QStringLiteral("star"), QStringLiteral("non-starred")},
        {QStringLiteral("stop.circle.fill"), QStringLiteral("process-stop")},
        {QStringLiteral("music.note"), QStringLiteral("audio-x-generic")},
        {QStringLiteral("calendar"), QStringLiteral("x-office-calendar")},
        {QStringLiteral("line.3.horizontal"), QStringLiteral("open-menu")},
        {QStringLiteral("doc.fill"), QStringLiteral("text-x-generic")},
    };
    return names.value(name.toString());
}

bool hasFallback(QStringView name) {
    return QFile::exists(fallbackPath(name));
}

QPixmap symbol(QStringView name, const QColor& color, int logicalSize, qreal devicePixelRatio) {
    const QString key = cacheKey(u"symbol", name, color, logicalSize, devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    const int device = qMax(1, qRound(logicalSize * devicePixelRatio));
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        sourceIcon(name).paint(&painter, QRect(0, 0, device, device));
        // Keep the shape, replace its colours: the source's alpha becomes the mask of a flat fill.
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIcon symbolIcon(QStringView name, const QColor& color) {
    QIcon icon;
    QColor disabled = color;
    disabled.setAlphaF(color.alphaF() * 0.4f);
    for (const int size : {16, 22, 24, 32, 48}) {
        icon.addPixmap(symbol(name, color, size), QIcon::Normal);
        icon.addPixmap(symbol(name, disabled, size), QIcon::Disabled);
    }
    return icon;
}

QPixmap artwork(QStringView name, int logicalSize, qreal devicePixelRatio) {
    const QString key = cacheKey(u"artwork", name, QColor(), logicalSize, devicePixelRatio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    const int device = qMax(1, qRound(logicalSize * devicePixelRatio));
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    ensureResources();
    QSvgRenderer renderer(QStringLiteral(":/quirella/") + name.toString() + QStringLiteral(".svg"));
    if (renderer.isValid()) {
        QPainter painter(&image);
        renderer.render(&painter, QRectF(0, 0, device, device));
    }
    pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

} // namespace quirella::ui::icons
