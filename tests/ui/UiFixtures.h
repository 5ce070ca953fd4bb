// SPDX-License-Identifier: GPL-3.0-or-later
// Shared set-up of the window tests: a window with its own managers, clicks on cells, menus, drags and
// keys.
#pragma once

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/RemoveTextValues.h"
#include "support/AudioFiles.h"
#include "support/Songs.h"
#include "support/TestSupport.h"
#include "themes/ThemeManager.h"
#include "ui/MainWindow.h"
#include "ui/SidebarView.h"
#include "ui/SongTableModel.h"
#include "ui/SongTableView.h"
#include "ui/VisibleColumns.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTest>

#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace quirella::test::ui {

// The entries of a menu, "---" for a separator.
inline QStringList menuTexts(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        texts.append(action->isSeparator() ? QStringLiteral("---") : action->text());
    }
    return texts;
}

inline QAction* menuEntry(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    ADD_FAILURE() << "no menu entry " << text.toStdString();
    return nullptr;
}

// Drags the data over `target` and drops it there; true when both the drag and the drop were taken.
inline bool dragAndDrop(QWidget* target, QPoint position, const QMimeData& data,
                        const std::function<void()>& whileOver = {}) {
    QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (whileOver) {
        whileOver();
    }
    QDropEvent drop(QPointF(position), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

// Waits until `window` has the keyboard (a window-modal sheet counts as active while its parent is).
[[nodiscard]] inline bool hasKeyboard(QWidget* window) {
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
}

// Keys to the focus widget of the moment, as the application routes them: "\n" Return, "\t" Tab,
// "\x1b" Escape.
inline void typeKeys(const QString& keys) {
    for (const QChar key : keys) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr) << "no widget has the keyboard";
        const Qt::Key special = key == u'\n' ? Qt::Key_Return : key == u'\t' ? Qt::Key_Tab : Qt::Key_Escape;
        if (key == u'\n' || key == u'\t' || key == u'\x1b') {
            QTest::keyClick(target, special);
        } else {
            QTest::keyClick(target, key.toLatin1());
        }
    }
}

inline void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr) << "no widget has the keyboard";
    QTest::keyClick(target, key, modifiers);
}

inline void clearPreferences() {
    QSettings settings;
    settings.remove(QStringLiteral("VisibleColumns"));
    settings.remove(ContentViewModel::preferredSortColumnKey);
    settings.remove(ContentViewModel::preferredSortAscendingKey);
    settings.remove(ContentViewModel::largestFolderKey);
    RemoveTextValues().store();
    settings.sync();
    // Every window test starts in the first-launch theme without a wallpaper.
    ThemeManager& themes = ThemeManager::instance();
    themes.setCurrentTheme(Theme::deepCharcoal());
    if (themes.hasCustomWallpaper()) {
        themes.removeCustomWallpaper();
    }
    themes.setShowingDropZone(false);
}

// A shown, active window with managers of its own.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearPreferences();
        openWindow();
    }
    void TearDown() override { window.reset(); }
    void openWindow() {
        window = std::make_unique<quirella::ui::MainWindow>(&progress, &toasts);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    ContentViewModel& model() { return window->viewModel(); }
    quirella::ui::SongTableView& table() { return *window->songTable(); }
    void press(quirella::ui::SidebarView::Action action) {
        QTest::mouseClick(window->sidebar()->button(action), Qt::LeftButton);
    }

    void load(const QList<Song>& songs) {
        model().setFolder(QUrl::fromLocalFile(QDir::tempPath()), songs);
        model().refreshAfterChange();
        QApplication::processEvents();
    }

    QModelIndex cell(int row, QStringView columnId) {
        return table().model()->index(row, table().songModel().sectionOf(columnId));
    }
    QPoint cellCenter(int row, QStringView columnId) {
        return table().visualRect(cell(row, columnId)).center();
    }
    void click(int row, QStringView columnId, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(table().viewport(), Qt::LeftButton, modifiers, cellCenter(row, columnId));
    }
    // The column's texts as the table shows them, top to bottom.
    QStringList column(QStringView columnId) {
        QStringList texts;
        for (int row = 0; row < table().model()->rowCount(); ++row) {
            texts.append(columnId == u"rating"
                             ? QString::number(
                                   cell(row, columnId).data(quirella::ui::SongTableModel::RatingRole).toInt())
                             : cell(row, columnId).data().toString());
        }
        return texts;
    }

    ProgressManager progress;
    ToastManager toasts;
    std::unique_ptr<quirella::ui::MainWindow> window;
};

} // namespace quirella::test::ui
