// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BusyIndicator.h"

#include <QPainter>

namespace quirella::ui {

BusyIndicator::BusyIndicator(int diameter, QWidget* parent)
    : QWidget(parent) {
    setFixedSize(diameter, diameter);
    m_timer.setInterval(40);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_angle = (m_angle + 12) % 360;
        update();
    });
}

void BusyIndicator::setColor(const QColor& color) {
    m_color = color;
    update();
}

void BusyIndicator::showEvent(QShowEvent* event) {
    m_timer.start();
    QWidget::showEvent(event);
}

void BusyIndicator::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QWidget::hideEvent(event);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal pen = qMax(1.5, width() / 8.0);
    const QRectF box = QRectF(rect()).adjusted(pen, pen, -pen, -pen);
    QColor track = m_color;
    track.setAlphaF(0.2f);
    painter.setPen(QPen(track, pen));
    painter.drawEllipse(box);
    painter.setPen(QPen(m_color, pen, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(box, -m_angle * 16, 100 * 16);
}

} // namespace quirella::ui
