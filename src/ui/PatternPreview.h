// SPDX-License-Identifier: GPL-3.0-or-later
// What the two name-pattern sheets share: the pattern field, which offers the last ten patterns, and the
// preview table, whose marked rows (dimmed, in italics) are the songs the operation leaves alone.
#pragma once

#include "operations/RecentPatterns.h"

#include <QAbstractTableModel>
#include <QStringList>

class QComboBox;
class QTableView;

namespace quirella::ui {

class PatternPreviewModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Row {
        QStringList cells;
        bool marked = false;
    };

    using QAbstractTableModel::QAbstractTableModel;
    void setContent(QStringList headers, QList<Row> rows);
    const QList<Row>& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headers;
    QList<Row> m_rows;
};

// An editable choice holding the recent patterns of `kind`, newest first and shown in the field; typing
// replaces it. Return is left to the sheet.
QComboBox* makePatternField(recentPatterns::Kind kind, const QString& placeholder, QWidget* parent);
// A read-only table over `model`, its last column stretched.
QTableView* makePreviewTable(PatternPreviewModel* model, QWidget* parent);

} // namespace quirella::ui
