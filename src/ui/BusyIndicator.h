// SPDX-License-Identifier: GPL-3.0-or-later
// A small spinning arc for "Loading songs...". It animates only while shown.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace quirella::ui {

class BusyIndicator : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(int diameter, QWidget* parent = nullptr);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_angle = 0;
    QColor m_color = Qt::white;
};

} // namespace quirella::ui
