// SPDX-License-Identifier: GPL-3.0-or-later
// Every command of the window by keyboard: a menu in the header bar (F10 opens it) that lists the
// commands of the sidebar and of the header bar with their shortcuts, the window's shortcuts (Ctrl+O,
// Ctrl+S, Ctrl+Z, Ctrl+Shift+Z), a window that lists every key (F1, Ctrl+?), and the rule that no shortcut
// fires while a text field or a cell editor has the keyboard (Escape and Return keep their usual roles).
// The menu also opens the small preferences sheet.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <utility>

class QDialog;
class QMenu;
class QToolButton;

namespace quirella::ui {

class MainWindow;

class KeyboardCommands : public QObject {
    Q_OBJECT

public:
    explicit KeyboardCommands(MainWindow& window);
    ~KeyboardCommands() override;

    QMenu* menu() const { return m_menu; }
    QToolButton* menuButton() const { return m_button; }
    // Shows the list of keys, or raises it when it is open.
    QDialog* showShortcuts();
    QDialog* shortcutsWindow() const { return m_shortcuts; }
    // The preferences sheet ("Largest folder"), window-modal; raised when it is open.
    QDialog* showPreferences();

    // The keys and what they do, as the list shows them (and the README repeats).
    static QList<std::pair<QString, QString>> shortcutTexts();

    // Keeps shortcuts from firing while a text field or an editor has the keyboard; one for the whole
    // application, installed once.
    static void guardTextFields();

private:
    MainWindow& m_window;
    QMenu* m_menu = nullptr;
    QToolButton* m_button = nullptr;
    QPointer<QDialog> m_shortcuts;
    QPointer<QDialog> m_preferences;
};

} // namespace quirella::ui
