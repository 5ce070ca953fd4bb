// SPDX-License-Identifier: GPL-3.0-or-later
// The volume knob of the player bar: a 60-point circle whose ring shows the volume, with the whole
// percentage in its centre. Dragging around the centre sets the volume from the angle measured clockwise
// from twelve o'clock, so one full turn covers 0 to 100 % (and the volume jumps where the pointer
// crosses twelve o'clock).
#pragma once

#include "ui/SliderAccessibility.h"
#include "ui/Theme.h"

#include <QPointF>
#include <QWidget>

namespace quirella {
class AudioManager;
}

namespace quirella::ui {

class SimpleVolumeKnob : public QWidget, public AccessibleSlider {
    Q_OBJECT

public:
    static constexpr int side = 60;

    explicit SimpleVolumeKnob(AudioManager& audio, QWidget* parent = nullptr);
    double accessibleValue() const override;
    double accessibleMaximum() const override { return 100; }
    QString accessibleValueText() const override { return percentText(); }
    void setTheme(const Theme& theme);

    bool isDragging() const { return m_isDragging; }
    // The centre text: "25%" for a volume of 0.25; fractions of a percent are cut off.
    QString percentText() const;
    // The volume for a point in knob coordinates (top-left corner at 0,0).
    static float volumeAt(QPointF point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void turnTo(QPointF point);

    AudioManager& m_audio;
    ThemeColors m_colors;
    bool m_isDragging = false;
};

} // namespace quirella::ui
