// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SongDelegates.h"

#include "ui/Icons.h"
#include "ui/SongTableModel.h"
#include "ui/SongTableView.h"
#include "ui/ThumbnailCache.h"

#include <QPainter>
#include <QPainterPath>
#include <QUuid>

namespace quirella::ui {

namespace {

QColor withAlpha(QColor color, float alpha) {
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

QRect centeredSquare(const QRect& cell, int side) {
    return QRect(cell.x() + (cell.width() - side) / 2, cell.y() + (cell.height() - side) / 2, side, side);
}

qreal ratioOf(const QPainter* painter) {
    return painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
}

} // namespace

// ---- Row shading ----

SongCellDelegate::SongCellDelegate(const SongTableView& view, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_view(view) {}

void SongCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const ThemeColors& colors = m_view.colors();
    const int row = index.row();
    if (m_view.isRowSelected(row)) {
        painter->fillRect(option.rect, colors.selectedRow);
    } else if (m_view.hoveredRow() == row) {
        painter->fillRect(option.rect, colors.hoverRow);
    } else if (row % 2 == 0) {
        painter->fillRect(option.rect, colors.evenRow);
    }
    painter->save();
    paintContent(painter, option, index);
    painter->restore();
    // The keyboard's cell, while the table has the keyboard.
    if (m_view.hasFocus() && m_view.currentIndex() == index) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(QColor(10, 132, 255), 2.0));
        painter->drawRoundedRect(QRectF(option.rect).adjusted(1.5, 2.5, -1.5, -2.5), 4, 4);
        painter->restore();
    }
}

// ---- Text ----

TextCellDelegate::TextCellDelegate(const SongTableView& view, int pixelSize, QObject* parent)
    : SongCellDelegate(view, parent) {
    m_font.setPixelSize(pixelSize);
}

void TextCellDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    if (view().indexWidget(index)) {
        return; // the editor's clear background shows the cell: its text is the editor's alone
    }
    const QColor text = view().colors().text;
    QString shown = index.data(Qt::DisplayRole).toString();
    QColor color = text;
    if (shown.isEmpty()) {
        shown = index.data(SongTableModel::PlaceholderRole).toString();
        color = withAlpha(text, 0.5f);
    }
    if (shown.isEmpty()) {
        return;
    }
    painter->setFont(m_font);
    painter->setPen(color);
    if (index.flags().testFlag(Qt::ItemIsEditable)) {
        const QRect area = option.rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
        const QString elided = QFontMetrics(m_font).elidedText(shown, Qt::ElideRight, area.width());
        painter->drawText(area, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, elided);
        return;
    }
    // The tempo, time and type columns are narrow and their texts short: an ellipsis would hide more
    // of "16:00" than the last pixel of padding does, so these are clipped to the cell instead.
    painter->setClipRect(option.rect);
    painter->drawText(option.rect.adjusted(horizontalPadding, 0, 0, 0),
                      Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, shown);
}

QWidget* TextCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    auto* editor = new CellEditor(parent);
    editor->setFont(m_font);
    editor->setPlaceholderText(index.data(SongTableModel::PlaceholderRole).toString());
    editor->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal).toString());
    QPalette palette = editor->palette();
    const QColor text = view().colors().text;
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::PlaceholderText, withAlpha(text, 0.5f));
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Highlight, QColor::fromRgbF(0.2f, 1.0f, 0.0f, 0.6f));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    editor->setPalette(palette);
    return editor;
}

void TextCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    // Called again whenever the row changes under the editor; keep what the user is typing.
    if (!line->isModified()) {
        line->setText(index.data(Qt::EditRole).toString());
    }
}

void TextCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    // The model commits only a text that differs from the cell's.
    model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

void TextCellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const {
    const int height = QFontMetrics(m_font).height() + 8;
    editor->setGeometry(option.rect.x() + 1, option.rect.y() + (option.rect.height() - height) / 2,
                        option.rect.width() - 2, height);
}

CellEditor::CellEditor(QWidget* parent)
    : QLineEdit(parent) {
    setFrame(false);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setTextMargins(TextCellDelegate::horizontalPadding - 2, 0, TextCellDelegate::horizontalPadding - 2, 0);
}

void CellEditor::paintEvent(QPaintEvent* event) {
    QLineEdit::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(52, 199, 89), 1.0));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
}

// ---- Buttons ----

void PlayButtonDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const {
    const bool playing = view().isPlaying(index.data(SongTableModel::SongIdRole).toUuid());
    const QColor face = playing ? QColor(52, 199, 89) : QColor(255, 204, 0);
    const QRect circle = centeredSquare(option.rect, diameter);
    QLinearGradient gradient(circle.topLeft(), circle.bottomRight());
    gradient.setColorAt(0, face);
    gradient.setColorAt(1, withAlpha(face, 0.9f));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(gradient);
    painter->drawEllipse(circle);
    const int symbolSize = 10;
    QRect symbolRect = centeredSquare(circle, symbolSize);
    if (!playing) {
        symbolRect.translate(1, 0); // the triangle's weight sits left of its box
    }
    painter->drawPixmap(symbolRect, icons::symbol(playing ? u"pause.fill" : u"play.fill", QColor(30, 30, 30),
                                                  symbolSize, ratioOf(painter)));
}

SymbolButtonDelegate::SymbolButtonDelegate(const SongTableView& view, QString symbol, QColor color,
                                           QObject* parent)
    : SongCellDelegate(view, parent)
    , m_symbol(std::move(symbol))
    , m_color(std::move(color)) {}

void SymbolButtonDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
    const int size = 14;
    const QColor color = m_color.isValid() ? m_color : withAlpha(view().colors().text, 0.75f);
    painter->drawPixmap(centeredSquare(option.rect, size),
                        icons::symbol(m_symbol, color, size, ratioOf(painter)));
}

// ---- Cover ----

QRect CoverDelegate::thumbnailRect(const QRect& cell) {
    const QSize size(qMin(35, cell.width() - 4), qMin(24, cell.height() - 4));
    if (size.isEmpty()) {
        return {};
    }
    return QRect(cell.x() + (cell.width() - size.width()) / 2, cell.y() + (cell.height() - size.height()) / 2,
                 size.width(), size.height());
}

void CoverDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QRect target = thumbnailRect(option.rect);
    if (target.isEmpty()) {
        return;
    }
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(target), 4, 4);
    const QString path = index.data(SongTableModel::CoverPathRole).toString();
    const qreal ratio = ratioOf(painter);
    const QPixmap thumbnail =
        path.isEmpty() ? QPixmap() : view().thumbnails().thumbnail(path, target.size() * ratio);
    if (!thumbnail.isNull()) {
        painter->save();
        painter->setClipPath(clip);
        painter->drawPixmap(QRectF(target), thumbnail, QRectF(thumbnail.rect()));
        painter->restore();
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(withAlpha(view().colors().text, 0.08f));
        painter->drawPath(clip);
        const int size = 16;
        painter->drawPixmap(centeredSquare(target, size),
                            icons::symbol(u"photo", withAlpha(view().colors().text, 0.45f), size, ratio));
    }
    if (view().coverDropRow() == index.row()) {
        // A picture is being dragged over this cell.
        painter->setPen(QPen(QColor(10, 132, 255), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(target).adjusted(-1, -1, 1, 1), 5, 5);
    }
}

// ---- Stars ----

QRect RatingDelegate::starRect(const QRect& cell, int star) {
    const int left = cell.x() + TextCellDelegate::horizontalPadding;
    return QRect(left + (star - 1) * (starSize + starSpacing), cell.y() + (cell.height() - starSize) / 2,
                 starSize, starSize);
}

int RatingDelegate::starAt(const QRect& cell, QPoint point) {
    for (int star = 1; star <= 5; ++star) {
        // The gap between two stars belongs to the star on its left, so no click falls through.
        if (starRect(cell, star).adjusted(0, -4, starSpacing, 4).contains(point)) {
            return star;
        }
    }
    return 0;
}

void RatingDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const int rating = index.data(SongTableModel::RatingRole).toInt();
    const qreal ratio = ratioOf(painter);
    const QPixmap filled = icons::symbol(u"star.fill", QColor(255, 204, 0), starSize, ratio);
    const QPixmap empty = icons::symbol(u"star", withAlpha(view().colors().text, 0.45f), starSize, ratio);
    for (int star = 1; star <= 5; ++star) {
        painter->drawPixmap(starRect(option.rect, star), rating >= star ? filled : empty);
    }
}

} // namespace quirella::ui
