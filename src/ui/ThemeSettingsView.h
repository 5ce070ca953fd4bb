// SPDX-License-Identifier: GPL-3.0-or-later
// The theme sheet: "Select Theme" over a grid of every theme, each a gradient preview with its name and,
// on the current one, a green check mark. Choosing a theme makes it current and closes the sheet at once;
// the close control leaves the theme as it was.
#pragma once

#include "themes/ThemeManager.h"

#include <QAbstractButton>
#include <QDialog>
#include <QList>

class QGridLayout;
class QLabel;
class QScrollArea;

namespace quirella::ui {

class ThemeRowView : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int previewHeight = 80;
    static constexpr int minimumWidth = 100;

    ThemeRowView(const Theme& theme, bool isCurrent, bool isLight, QWidget* parent = nullptr);
    const Theme& theme() const { return m_theme; }
    bool isCurrent() const { return m_current; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Theme m_theme;
    bool m_current;
    bool m_light; // the sheet's own appearance, for the caption
    bool m_hovered = false;
};

class ThemeSettingsView : public QDialog {
    Q_OBJECT

public:
    static constexpr int spacing = 15;

    explicit ThemeSettingsView(ThemeManager& themes, QWidget* parent = nullptr);

    const QList<ThemeRowView*>& rows() const { return m_rows; }
    ThemeRowView* row(QStringView themeName) const;
    QAbstractButton* closeButton() const { return m_close; }
    int columnCount() const { return m_columns; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The arrows move through the grid (the scroll area would take them), Return chooses the focused
    // theme, Escape closes.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    void focusCurrentRow();
    void arrange();

    ThemeManager& m_themes;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_gridHost = nullptr;
    QGridLayout* m_grid = nullptr;
    QLabel* m_heading = nullptr;
    QAbstractButton* m_close = nullptr;
    QList<ThemeRowView*> m_rows;
    int m_columns = 0;
};

} // namespace quirella::ui
