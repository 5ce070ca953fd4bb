// SPDX-License-Identifier: GPL-3.0-or-later
// The command buttons down the left side of the window, in their groups. The sidebar only reports which
// button was pressed; the main window decides what each command does (see MainWindow::setActionHandler).
#pragma once

#include "ui/Theme.h"

#include <QAbstractButton>
#include <QColor>
#include <QList>
#include <QMap>
#include <QWidget>

namespace quirella::ui {

// A button drawn as a gradient face with a white symbol and title.
class SidebarButton : public QAbstractButton {
    Q_OBJECT

public:
    SidebarButton(const QString& title, const QString& symbol, QList<QColor> gradient, int height,
                  int fontPixelSize, QWidget* parent = nullptr);

    const QString& symbolName() const { return m_symbol; }
    void setGradient(QList<QColor> gradient);
    // The three-colour "WRITE TAGS" face: bolder text with a shadow so it reads on the yellow middle.
    void setMagic(bool magic);
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_symbol;
    QList<QColor> m_gradient;
    int m_height;
    int m_fontPixelSize;
    bool m_magic = false;
    bool m_hovered = false;
};

class SidebarView : public QWidget {
    Q_OBJECT

public:
    enum class Action {
        editRemove,
        editRename,
        setGenre,
        uppercase,
        firstLetter,
        characters,
        searchBpm,
        cleanBpm,
        writeTags,
        setCover,
        renameOriginal,
        clean,
        columns,
        theme,
        undo,
        redo,
    };
    Q_ENUM(Action)

    static constexpr int width = 180;

    explicit SidebarView(QWidget* parent = nullptr);

    SidebarButton* button(Action action) const { return m_buttons.value(action); }
    // "Set Cover" and "Rename Original" take their faces from the theme.
    void setTheme(const Theme& theme);

signals:
    void triggered(quirella::ui::SidebarView::Action action);

private:
    SidebarButton* add(Action action, const QString& title, const QString& symbol, QList<QColor> gradient,
                       int height = 25, int fontPixelSize = 12);

    QMap<Action, SidebarButton*> m_buttons;
};

} // namespace quirella::ui
