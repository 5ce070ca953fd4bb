// SPDX-License-Identifier: GPL-3.0-or-later
// What the content area shows while no folder is loaded: the logo, a greeting, the drop area for a music
// folder, an "Open Folder…" button for desktops where dragging is awkward, and three notes.
#pragma once

#include "ui/Theme.h"

#include <QList>
#include <QUrl>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quirella::ui {

// Takes file locations dragged from a file manager (text/uri-list) and hands them on in the order
// dropped; deciding which of them are folders is FolderDropQueue's job, off the UI thread.
class DragDropArea : public QWidget {
    Q_OBJECT

public:
    explicit DragDropArea(QWidget* parent = nullptr);
    bool isDragging() const { return m_dragging; }
    void setTheme(const Theme& theme);
    QSize sizeHint() const override;

signals:
    void dropped(const QList<QUrl>& locations);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setDragging(bool dragging);

    bool m_dragging = false;
    ThemeColors m_colors;
};

class WelcomeView : public QWidget {
    Q_OBJECT

public:
    explicit WelcomeView(QWidget* parent = nullptr);
    DragDropArea* dropArea() const { return m_dropArea; }
    QPushButton* openFolderButton() const { return m_openFolder; }
    void setTheme(const Theme& theme);

signals:
    void foldersDropped(const QList<QUrl>& locations);
    void openFolderRequested();

private:
    DragDropArea* m_dropArea = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_greeting = nullptr;
    QPushButton* m_openFolder = nullptr;
    QList<QLabel*> m_notes;
};

} // namespace quirella::ui
