// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SimpleVolumeKnob.h"

#include "audio/AudioManager.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quirella::ui {

SimpleVolumeKnob::SimpleVolumeKnob(AudioManager& audio, QWidget* parent)
    : QWidget(parent)
    , m_audio(audio) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("Volume"));
    registerSliders(); // before the name, which makes the interface
    setAccessibleName(toolTip());
    connect(&m_audio, &AudioManager::volumeChanged, this, qOverload<>(&QWidget::update));
    setTheme(Theme::deepCharcoal());
}

void SimpleVolumeKnob::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    update();
}

double SimpleVolumeKnob::accessibleValue() const {
    return int(m_audio.volume() * 100.0f);
}

QString SimpleVolumeKnob::percentText() const {
    return QString::number(int(m_audio.volume() * 100.0f)) + QLatin1Char('%');
}

float SimpleVolumeKnob::volumeAt(QPointF point) {
    const double centre = side / 2.0;
    double angle = std::atan2(point.y() - centre, point.x() - centre) + std::numbers::pi / 2.0;
    if (angle < 0) {
        angle += 2.0 * std::numbers::pi;
    }
    return float(std::clamp(angle / (2.0 * std::numbers::pi), 0.0, 1.0));
}

void SimpleVolumeKnob::turnTo(QPointF point) {
    m_isDragging = true;
    m_audio.setVolume(volumeAt(point));
}

void SimpleVolumeKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        turnTo(event->position());
    }
}

void SimpleVolumeKnob::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        turnTo(event->position());
    }
}

void SimpleVolumeKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_isDragging = false;
        update();
    }
}

void SimpleVolumeKnob::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double ringWidth = 5.0;
    const QRectF ring =
        QRectF(rect()).adjusted(ringWidth / 2 + 1, ringWidth / 2 + 1, -ringWidth / 2 - 1, -ringWidth / 2 - 1);
    QColor face = m_colors.text;
    face.setAlphaF(m_isDragging ? 0.16f : 0.08f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawEllipse(ring);

    QColor track = m_colors.text;
    track.setAlphaF(0.2f);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(track, ringWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawEllipse(ring);
    // Clockwise from twelve o'clock; Qt counts angles in sixteenths of a degree, counter-clockwise.
    const int span = -int(std::lround(double(m_audio.volume()) * 360.0 * 16.0));
    if (span != 0) {
        painter.setPen(QPen(m_colors.accent, ringWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, 90 * 16, span);
    }

    QFont font = painter.font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(m_colors.text);
    painter.drawText(rect(), Qt::AlignCenter, percentText());
}

} // namespace quirella::ui
