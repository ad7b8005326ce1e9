#include "corvane/panel/setting_binder.h"

#include <QAbstractButton>

#include "corvane/panel/value_slider.h"

namespace corvane {

QAbstractButton* SettingBinder::toggle(QAbstractButton* button, const settings::Setting<bool>& setting) {
    button->setCheckable(true);
    // toggled, not clicked: a screen reader's Toggle action changes the state without a click.
    QObject::connect(button, &QAbstractButton::toggled, button,
                     [this, setting](bool on) { controller_.set(setting, on); });
    refreshes_.push_back([this, button, setting] {
        const QSignalBlocker quiet(button);
        button->setChecked(controller_.get(setting));
    });
    return button;
}

ValueSlider* SettingBinder::slider(ValueSlider* slider, const settings::Setting<double>& setting) {
    QObject::connect(slider, &ValueSlider::moved, slider,
                     [this, setting](double value) { controller_.set(setting, value); });
    refreshes_.push_back([this, slider, setting] {
        const QSignalBlocker quiet(slider);
        slider->refresh(controller_.get(setting));
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
