// SPDX-License-Identifier: GPL-3.0-or-later
// Painting of the song table's cells. Every cell is drawn by a delegate, not by a widget per row, so a
// folder of a thousand songs scrolls as fast as a plain table; the only widget ever created is the line
// edit of the cell being edited. Clicks are interpreted by SongTableView, which shares the geometry
// helpers below with the painting.
#pragma once

#include <QFont>
#include <QLineEdit>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

namespace quirella::ui {

class SongTableView;

// Common to all cells: the row shading (selected, then hovered, then even rows).
class SongCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SongCellDelegate(const SongTableView& view, QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const final;

protected:
    virtual void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const = 0;
    const SongTableView& view() const { return m_view; }

private:
    const SongTableView& m_view;
};

// Text cells: title, artist, genre and year are edited in place; bpm, time and type only show text.
class TextCellDelegate : public SongCellDelegate {
    Q_OBJECT

public:
    TextCellDelegate(const SongTableView& view, int pixelSize, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Space left and right of the text.
    static constexpr int horizontalPadding = 4;

protected:
    void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const override;

private:
    QFont m_font;
};

// The round play button: yellow with "play.fill", or green with "pause.fill" while this song plays.
class PlayButtonDelegate : public SongCellDelegate {
    Q_OBJECT

public:
    using SongCellDelegate::SongCellDelegate;
    static constexpr int diameter = 20;

protected:
    void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const override;
};

// A one-symbol button: the swap cell and the trash cell.
class SymbolButtonDelegate : public SongCellDelegate {
    Q_OBJECT

public:
    SymbolButtonDelegate(const SongTableView& view, QString symbol, QColor color, QObject* parent = nullptr);

protected:
    void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const override;

private:
    QString m_symbol;
    QColor m_color;
};

// The cover thumbnail (decoded off the UI thread by ThumbnailCache), or a placeholder.
class CoverDelegate : public SongCellDelegate {
    Q_OBJECT

public:
    using SongCellDelegate::SongCellDelegate;
    static QRect thumbnailRect(const QRect& cell);

protected:
    void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const override;
};

// Five stars; star n is filled when the rating is at least n.
class RatingDelegate : public SongCellDelegate {
    Q_OBJECT

public:
    using SongCellDelegate::SongCellDelegate;
    static constexpr int starSize = 14;
    static constexpr int starSpacing = 2;
    // Star n (1..5) within the cell.
    static QRect starRect(const QRect& cell, int star);
    // The star under the point, 1..5, or 0.
    static int starAt(const QRect& cell, QPoint point);

protected:
    void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                      const QModelIndex& index) const override;
};

// The in-place editor: borderless on a clear background, selected text black on green, and a thin
// green outline while it has the keyboard focus.
class CellEditor : public QLineEdit {
    Q_OBJECT

public:
    explicit CellEditor(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quirella::ui
