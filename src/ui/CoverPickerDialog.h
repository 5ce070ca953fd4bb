// SPDX-License-Identifier: GPL-3.0-or-later
// "Select Cover Image": a window-modal sheet with one drop area that takes a single image file. The file
// is checked off the UI thread (type, size, decoding, resolution; see covers/CoverPicker.h); a refused
// file shows its reason in red, an accepted one is previewed and handed on through imageSelected.
#pragma once

#include "ui/Theme.h"

#include <QByteArray>
#include <QDialog>
#include <QFuture>
#include <QImage>
#include <QWidget>

class QLabel;
class QToolButton;

namespace quirella::ui {

// The 300 x 200 drop area: a symbol and two lines of text, or the accepted picture.
class CoverDropArea : public QWidget {
    Q_OBJECT

public:
    explicit CoverDropArea(const Theme& theme, QWidget* parent = nullptr);

    bool isDragging() const { return m_dragging; }
    void setPreview(const QImage& image);
    bool hasPreview() const { return !m_preview.isNull(); }

signals:
    // The first local file of a drop.
    void fileDropped(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setDragging(bool dragging);

    ThemeColors m_colors;
    QImage m_preview;
    bool m_dragging = false;
};

class CoverPickerDialog : public QDialog {
    Q_OBJECT

public:
    explicit CoverPickerDialog(const Theme& theme, QWidget* parent = nullptr);

    CoverDropArea* dropArea() const { return m_dropArea; }
    QToolButton* closeButton() const { return m_close; }
    QString errorMessage() const;

    // Checks the file; the future ends once the outcome is shown (and imageSelected emitted).
    QFuture<void> pickFile(const QString& path);

signals:
    // The accepted picture and the file's bytes.
    void imageSelected(const QImage& image, const QByteArray& bytes);

private:
    CoverDropArea* m_dropArea = nullptr;
    QLabel* m_error = nullptr;
    QToolButton* m_close = nullptr;
};

} // namespace quirella::ui
