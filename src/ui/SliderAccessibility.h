// SPDX-License-Identifier: GPL-3.0-or-later
// The volume knob and the position bar paint themselves and are no QAbstractSlider. Screen readers get
// them as sliders all the same (AT-SPI role "slider"): their accessible name, their value as a number and
// as text, and its range. The value is set with the mouse, not through the accessibility interface.
#pragma once

#include <QString>

namespace quirella::ui {

// Mixed into a QWidget (after it) to report it as a slider.
class AccessibleSlider {
public:
    virtual ~AccessibleSlider() = default;
    virtual double accessibleValue() const = 0;
    virtual double accessibleMaximum() const = 0;
    // The value as a screen reader says it ("25%", "1:05").
    virtual QString accessibleValueText() const = 0;

protected:
    // Installs the accessibility factory, once per process; each slider's constructor calls it.
    static void registerSliders();
};

} // namespace quirella::ui
