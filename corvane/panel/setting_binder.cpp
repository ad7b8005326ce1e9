#include "corvane/panel/setting_binder.h"

#include <QAbstractButton>

#include "corvane/panel/value_slider.h"

namespace corvane {

QAbstractButton* SettingBinder::toggle(QAbstractButton* button, Get<bool> get, Set<bool> set) {
    button->setCheckable(true);
    // toggled, not clicked: a screen reader's Toggle action changes the state without a click.
    QObject::connect(button, &QAbstractButton::toggled, button,
                     [this, set = std::move(set)](bool on) { set(controller_, on); });
    refreshes_.push_back([this, button, get = std::move(get)] {
        const QSignalBlocker quiet(button);
        button->setChecked(get(controller_));
    });
    return button;
}

ValueSlider* SettingBinder::slider(ValueSlider* slider, Get<double> get, Set<double> set) {
    QObject::connect(slider, &ValueSlider::moved, slider,
                     [this, set = std::move(set)](double value) { set(controller_, value); });
    refreshes_.push_back([this, slider, get = std::move(get)] {
        const QSignalBlocker quiet(slider);
        slider->refresh(get(controller_));
    });
    return slider;
}

QAbstractButton* SettingBinder::action(QAbstractButton* button, std::function<void(Controller&)> act) {
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [this, act = std::move(act)] { act(controller_); });
    return button;
}

void SettingBinder::showWhile(QWidget* widget, Get<bool> condition) {
    follow([widget, condition = std::move(condition)](const Controller& c) {
        widget->setVisible(condition(c));
    });
}

void SettingBinder::enableWhile(QWidget* widget, Get<bool> condition) {
    follow([widget, condition = std::move(condition)](const Controller& c) {
        widget->setEnabled(condition(c));
    });
}

void SettingBinder::follow(std::function<void(const Controller&)> show) {
    refreshes_.push_back([this, show = std::move(show)] { show(controller_); });
}

void SettingBinder::refresh() const {
    for (const auto& refresh : refreshes_) refresh();
}

}  // namespace corvane
