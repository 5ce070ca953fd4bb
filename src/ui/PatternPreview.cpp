// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PatternPreview.h"

#include <QComboBox>
#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QPalette>
#include <QTableView>

namespace quirella::ui {

void PatternPreviewModel::setContent(QStringList headers, QList<Row> rows) {
    beginResetModel();
    m_headers = std::move(headers);
    m_rows = std::move(rows);
    endResetModel();
}

int PatternPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PatternPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant PatternPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.cells.value(index.column());
    case Qt::FontRole:
        if (row.marked) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        return row.marked ? QVariant(QPalette().color(QPalette::Disabled, QPalette::Text)) : QVariant();
    default:
        return {};
    }
}

QVariant PatternPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return m_headers.value(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

QComboBox* makePatternField(recentPatterns::Kind kind, const QString& placeholder, QWidget* parent) {
    auto* field = new QComboBox(parent);
    field->setEditable(true);
    field->setInsertPolicy(QComboBox::NoInsert); // a pattern joins the list when it is applied
    field->addItems(recentPatterns::load(kind));
    field->lineEdit()->setPlaceholderText(placeholder);
    field->lineEdit()->selectAll();
    return field;
}

QTableView* makePreviewTable(PatternPreviewModel* model, QWidget* parent) {
    auto* table = new QTableView(parent);
    table->setModel(model);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::TabFocus); // a click leaves the keyboard in the pattern field
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

} // namespace quirella::ui
