// SPDX-License-Identifier: GPL-3.0-or-later
// "Confirm Cover Image": a card over the dimmed window with the picked picture at 250 x 250, the
// question "Apply this image to all songs?", and "Cancel" and "Confirm" (the default button). Either
// button closes it.
#pragma once

#include "ui/Theme.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QPushButton;

namespace quirella::ui {

class CoverConfirmationOverlay : public QWidget {
    Q_OBJECT

public:
    explicit CoverConfirmationOverlay(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    void setTheme(const Theme& theme);
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }

signals:
    void confirmed();
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* m_card = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_image = nullptr;
    QLabel* m_question = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_confirm = nullptr;
    ThemeColors m_colors;
};

} // namespace quirella::ui
