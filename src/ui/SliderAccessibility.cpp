// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SliderAccessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace quirella::ui {

namespace {

class SliderInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    SliderInterface(QWidget* widget, const AccessibleSlider& slider)
        : QAccessibleWidget(widget, QAccessible::Slider)
        , m_slider(slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Value ? m_slider.accessibleValueText() : QAccessibleWidget::text(type);
    }
    QVariant currentValue() const override { return m_slider.accessibleValue(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return m_slider.accessibleMaximum(); }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 0.0; }

private:
    const AccessibleSlider& m_slider;
};

QAccessibleInterface* sliderFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const auto* slider = dynamic_cast<const AccessibleSlider*>(object);
    return widget && slider ? new SliderInterface(widget, *slider) : nullptr;
}

} // namespace

void AccessibleSlider::registerSliders() {
    static const bool installed = [] {
        QAccessible::installFactory(sliderFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace quirella::ui
