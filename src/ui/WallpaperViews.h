// SPDX-License-Identifier: GPL-3.0-or-later
// The wallpaper controls: the header bar's button (press: open the drop zone; context menu: "Clean" while
// a wallpaper is set) and the drop zone floating over the window. Dropped files and image data are read
// and decoded off the UI thread; what is refused (wrong type, too large, not an image) is ignored without
// a message, and the zone closes as soon as something was dropped.
#pragma once

#include "themes/ThemeManager.h"
#include "ui/Theme.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include <memory>

class QMenu;
class QMimeData;

namespace quirella::ui {

class ToolbarWallpaperButton : public QToolButton {
    Q_OBJECT

public:
    explicit ToolbarWallpaperButton(ThemeManager& themes, QWidget* parent = nullptr);
    // The context menu as it would open now: "Clean" while a wallpaper is set, otherwise none.
    std::unique_ptr<QMenu> contextMenu();
    void setTheme(const Theme& theme);

private:
    void sync();

    ThemeManager& m_themes;
    QColor m_ink = Qt::white;
};

class CustomWallpaperDropZone : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize zoneSize{340, 220};

    // What a drop offers, in the order dropped: image bytes, or local files to read.
    struct Item {
        QByteArray imageData;
        QString filePath;
    };
    static QList<Item> itemsOf(const QMimeData* data);

    explicit CustomWallpaperDropZone(ThemeManager& themes, QWidget* parent = nullptr);
    bool isTargeted() const { return m_targeted; }
    QRect zoneRect() const;
    QString zoneText() const;
    void setTheme(const Theme& theme);
    // Reads and checks the items off the UI thread; the first one that is an acceptable image becomes the
    // wallpaper. Emits wallpaperHandled when done, whatever the outcome.
    void takeItems(const QList<Item>& items);

signals:
    void wallpaperHandled(bool accepted);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setTargeted(bool targeted);

    ThemeManager& m_themes;
    ThemeColors m_colors;
    bool m_light = false;
    bool m_targeted = false;
};

} // namespace quirella::ui
