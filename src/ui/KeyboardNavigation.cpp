// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/KeyboardNavigation.h"

#include <QAbstractButton>
#include <QDialog>
#include <QKeyEvent>
#include <QVariant>

namespace quirella::ui::keyboard {

namespace {
constexpr const char* kReturnsKeyboard = "quirellaReturnsKeyboard";
}

void openWithKeyboard(QDialog* sheet) {
    // Without a window manager nothing hands the keyboard back to the window under a closed sheet.
    if (QWidget* parent = sheet->parentWidget(); parent && !sheet->property(kReturnsKeyboard).toBool()) {
        sheet->setProperty(kReturnsKeyboard, true);
        QObject::connect(sheet, &QDialog::finished, parent, [parent] {
            if (parent->window()->isVisible()) {
                parent->window()->activateWindow();
            }
        });
    }
    sheet->open();
    sheet->activateWindow();
}

void tabOnly(const QList<QAbstractButton*>& buttons) {
    for (QAbstractButton* button : buttons) {
        button->setFocusPolicy(Qt::TabFocus);
    }
}

bool handleChoiceKey(QKeyEvent* event, const QList<QAbstractButton*>& choices, int columns) {
    if (choices.isEmpty() || event->modifiers() & ~Qt::KeypadModifier) {
        return false;
    }
    qsizetype current = -1;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices.at(i)->hasFocus()) {
            current = i;
        }
    }
    const auto last = choices.size() - 1;
    const int step = qMax(1, columns);
    qsizetype next = current;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current < 0) {
            return false;
        }
        choices.at(current)->click();
        return true;
    case Qt::Key_Left:
        next = current < 0 ? 0 : qMax<qsizetype>(0, current - 1);
        break;
    case Qt::Key_Right:
        next = current < 0 ? 0 : qMin(last, current + 1);
        break;
    case Qt::Key_Up:
        next = current < 0 ? 0 : (current - step >= 0 ? current - step : current);
        break;
    case Qt::Key_Down:
        next = current < 0 ? 0 : (current + step <= last ? current + step : current);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = last;
        break;
    default:
        return false;
    }
    choices.at(next)->setFocus(Qt::TabFocusReason);
    return true;
}

} // namespace quirella::ui::keyboard
