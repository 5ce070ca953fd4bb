// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WallpaperViews.h"

#include "model/Continuation.h"
#include "themes/Wallpaper.h"
#include "ui/Icons.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QtConcurrent>

namespace quirella::ui {

// ---- ToolbarWallpaperButton ----

ToolbarWallpaperButton::ToolbarWallpaperButton(ThemeManager& themes, QWidget* parent)
    : QToolButton(parent)
    , m_themes(themes) {
    setAutoRaise(true); // borderless, like a toolbar's
    setIconSize(QSize(18, 18));
    setFixedSize(30, 28);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QToolButton::clicked, this, [this] { m_themes.setShowingDropZone(true); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        if (std::unique_ptr<QMenu> menu = contextMenu()) {
            menu->exec(mapToGlobal(position));
        }
    });
    connect(&m_themes, &ThemeManager::customWallpaperDataChanged, this, &ToolbarWallpaperButton::sync);
    sync();
}

std::unique_ptr<QMenu> ToolbarWallpaperButton::contextMenu() {
    if (!m_themes.hasCustomWallpaper()) {
        return nullptr;
    }
    auto menu = std::make_unique<QMenu>(this);
    QAction* clean = menu->addAction(tr("Clean"));
    connect(clean, &QAction::triggered, &m_themes, &ThemeManager::removeCustomWallpaper);
    return menu;
}

void ToolbarWallpaperButton::setTheme(const Theme& theme) {
    m_ink = themeColors(theme).text;
    sync();
}

void ToolbarWallpaperButton::sync() {
    const bool set = m_themes.hasCustomWallpaper();
    setIcon(icons::symbolIcon(set ? u"photo.fill" : u"photo", m_ink));
    const QString tip = set ? tr("Change custom wallpaper") : tr("Set custom wallpaper");
    setToolTip(tip);
    setAccessibleName(tip);
}

// ---- CustomWallpaperDropZone ----

QList<CustomWallpaperDropZone::Item> CustomWallpaperDropZone::itemsOf(const QMimeData* data) {
    QList<Item> items;
    if (!data) {
        return items;
    }
    // Image data first (a picture dragged out of a browser or viewer), then file locations.
    const QStringList formats = data->formats();
    for (const QString& format : formats) {
        if (format.startsWith(QLatin1StringView("image/"))) {
            const QByteArray bytes = data->data(format);
            if (!bytes.isEmpty()) {
                items.append(Item{bytes, QString()});
                break; // one picture offered in several formats is still one item
            }
        }
    }
    if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        for (const QUrl& url : urls) {
            if (url.isLocalFile()) {
                items.append(Item{QByteArray(), url.toLocalFile()});
            }
        }
    }
    return items;
}

CustomWallpaperDropZone::CustomWallpaperDropZone(ThemeManager& themes, QWidget* parent)
    : QWidget(parent)
    , m_themes(themes)
    , m_colors(themeColors(themes.currentTheme())) {
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Wallpaper drop zone"));
    hide();
}

QRect CustomWallpaperDropZone::zoneRect() const {
    const QSize size = zoneSize.boundedTo(this->size() - QSize(40, 40));
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

QString CustomWallpaperDropZone::zoneText() const {
    return m_targeted ? tr("Drop!") : tr("Drop image");
}

void CustomWallpaperDropZone::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    m_light = isLightTheme(theme);
    update();
}

void CustomWallpaperDropZone::setTargeted(bool targeted) {
    if (m_targeted != targeted) {
        m_targeted = targeted;
        update();
    }
}

void CustomWallpaperDropZone::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, 110)); // the dimmed backdrop

    const QRectF zone = QRectF(zoneRect()).adjusted(1, 1, -1, -1);
    QPainterPath shape;
    shape.addRoundedRect(zone, 16, 16);
    QColor fill = m_colors.panel;
    fill.setAlphaF(0.97f);
    painter.fillPath(shape, fill);
    const QColor ink = m_light ? QColor(Qt::black) : QColor(Qt::white);
    QColor outline = ink;
    outline.setAlphaF(m_targeted ? 0.85f : 0.4f);
    QPen pen(outline, m_targeted ? 2.0 : 1.0, Qt::DashLine);
    pen.setDashPattern({5, 4});
    painter.setPen(pen);
    painter.drawPath(shape);

    const int iconSize = 54;
    const int top = int(zone.top()) + (int(zone.height()) - iconSize - 14 - 26 - 22) / 2;
    painter.drawPixmap(QRect(int(zone.center().x()) - iconSize / 2, top, iconSize, iconSize),
                       icons::symbol(u"photo.badge.plus", ink, iconSize, devicePixelRatioF()));
    QFont title = font();
    title.setPixelSize(18);
    title.setWeight(QFont::DemiBold);
    painter.setFont(title);
    painter.setPen(ink);
    painter.drawText(QRectF(zone.left(), top + iconSize + 14, zone.width(), 26), Qt::AlignCenter, zoneText());
    QFont note = font();
    note.setPixelSize(12);
    painter.setFont(note);
    QColor secondary = ink;
    secondary.setAlphaF(0.7f);
    painter.setPen(secondary);
    painter.drawText(QRectF(zone.left() + 8, top + iconSize + 14 + 28, zone.width() - 16, 20),
                     Qt::AlignCenter, tr("JPEG, PNG, GIF, BMP, TIFF or HEIC, up to 20 MB"));
}

void CustomWallpaperDropZone::mousePressEvent(QMouseEvent* event) {
    if (!zoneRect().contains(event->position().toPoint())) {
        m_themes.setShowingDropZone(false); // a tap on the backdrop closes the zone
    }
    event->accept();
}

void CustomWallpaperDropZone::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        m_themes.setShowingDropZone(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CustomWallpaperDropZone::dragEnterEvent(QDragEnterEvent* event) {
    if (itemsOf(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setTargeted(true);
}

void CustomWallpaperDropZone::dragMoveEvent(QDragMoveEvent* event) {
    if (itemsOf(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CustomWallpaperDropZone::dragLeaveEvent(QDragLeaveEvent* event) {
    setTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void CustomWallpaperDropZone::dropEvent(QDropEvent* event) {
    setTargeted(false);
    const QList<Item> items = itemsOf(event->mimeData());
    if (items.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    takeItems(items);
}

namespace {

struct Accepted {
    QByteArray bytes;
    QImage image;
};

// Off the UI thread: file reads, size checks and decoding of what was dropped.
std::optional<Accepted> firstAcceptable(const QList<CustomWallpaperDropZone::Item>& items) {
    for (const CustomWallpaperDropZone::Item& item : items) {
        const std::optional<QByteArray> bytes = item.filePath.isEmpty()
                                                    ? std::optional<QByteArray>(item.imageData)
                                                    : wallpaper::readFile(item.filePath);
        if (!bytes) {
            continue;
        }
        if (std::optional<QImage> image = wallpaper::decode(*bytes)) {
            return Accepted{*bytes, std::move(*image)};
        }
    }
    return std::nullopt;
}

} // namespace

void CustomWallpaperDropZone::takeItems(const QList<Item>& items) {
    if (items.isEmpty()) {
        return;
    }
    m_themes.setShowingDropZone(false);
    continueOn(
        QtConcurrent::run(firstAcceptable, items), this, [this](const std::optional<Accepted>& accepted) {
            const bool taken = accepted && m_themes.setCustomWallpaper(accepted->bytes, accepted->image);
            emit wallpaperHandled(taken);
        });
}

} // namespace quirella::ui
