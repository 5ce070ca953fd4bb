// SPDX-License-Identifier: GPL-3.0-or-later
// "Select Visible Columns": a window-modal sheet of toggle cards, one per optional column, and "Done".
// Play, swap and trash columns have no card and stay as they are.
#pragma once

#include "ui/Theme.h"

#include <QAbstractButton>
#include <QDialog>
#include <QList>

namespace quirella::ui {

class VisibleColumns;

// A square card with a symbol and a title; filled with the accent colour while selected.
class CardToggle : public QAbstractButton {
    Q_OBJECT

public:
    CardToggle(QString columnId, const QString& title, QString symbol, bool isLightTheme,
               QWidget* parent = nullptr);
    const QString& columnId() const { return m_columnId; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_columnId;
    QString m_symbol;
    bool m_isLightTheme;
};

class ColumnSelectorDialog : public QDialog {
    Q_OBJECT

public:
    struct Card {
        QString columnId;
        QString title;
        QString symbol;
    };
    // The cards in the order shown.
    static QList<Card> cards();

    ColumnSelectorDialog(VisibleColumns& columns, const Theme& theme, QWidget* parent = nullptr);

    QList<CardToggle*> toggles() const { return m_toggles; }
    CardToggle* toggle(const QString& columnId) const;

protected:
    // The arrows move through the grid of cards (the cards would otherwise take them themselves), Space
    // turns the focused one on or off, Return is "Done".
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void sync();

    VisibleColumns& m_columns;
    QList<CardToggle*> m_toggles;
};

} // namespace quirella::ui
