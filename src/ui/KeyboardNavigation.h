// SPDX-License-Identifier: GPL-3.0-or-later
// How the sheets answer the keyboard: they open with the keyboard in their first field or choice,
// buttons take the focus only from Tab (so Space typed in a field never presses one), arrow keys move
// through a grid of choices and Return presses the choice that has the focus.
#pragma once

#include <QList>

#include <functional>

class QAbstractButton;
class QDialog;
class QKeyEvent;
class QWidget;

namespace quirella::ui::keyboard {

// Opens a window-modal sheet and gives it the keyboard. Without this, a sheet only gets the keyboard
// when a window manager activates it, and there may be none.
void openWithKeyboard(QDialog* sheet);

// Buttons reached by Tab only: a click does not move the keyboard away from a field.
void tabOnly(const QList<QAbstractButton*>& buttons);

// Moves the focus through `choices`, laid out `columns` to a row, for the arrow keys, and presses the
// focused choice for Return and Enter. True when the key was one of these and was handled.
bool handleChoiceKey(QKeyEvent* event, const QList<QAbstractButton*>& choices, int columns);

// Converts a list of buttons of a derived type for handleChoiceKey.
template <typename Button>
QList<QAbstractButton*> asButtons(const QList<Button*>& buttons) {
    QList<QAbstractButton*> result;
    result.reserve(buttons.size());
    for (Button* button : buttons) {
        result.append(button);
    }
    return result;
}

} // namespace quirella::ui::keyboard
