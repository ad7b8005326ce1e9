#pragma once

#include <QObject>
#include <QSignalBlocker>
#include <QString>

#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

#include "corvane/controller/controller.h"

class QAbstractButton;
class QWidget;

namespace corvane {

class ValueSlider;

/// Ties the panel's widgets to the controller, one call per setting: the
/// widget writes each change to the setting, and every refresh shows what it
/// holds, with the widget's signals blocked so that showing
/// a value is never taken for the user's edit.
class SettingBinder {
public:
    template <typename Value>
    using Get = std::type_identity_t<std::function<Value(const Controller&)>>;

    /// One entry of a picker: what it reads and the value it stands for.
    template <typename Value>
    struct Item {
        QString label;
        Value value;
    };

    explicit SettingBinder(Controller& controller) : controller_(controller) {}

    /// A checkable button over a flag.
    QAbstractButton* toggle(QAbstractButton* button, const settings::Setting<bool>& setting);
    ValueSlider* slider(ValueSlider* slider, const settings::Setting<double>& setting);
    /// A picker (anything with addItem, setCurrentIndex and currentIndexChanged)
    /// over `items`; a value that is none of them selects nothing.
    template <typename Picker, typename Value>
    Picker* choice(Picker* picker, const std::vector<Item<Value>>& items,
                   const settings::Setting<Value>& setting);
    /// A button that runs an operation.
    QAbstractButton* action(QAbstractButton* button, std::function<void(Controller&)> act);

    void showWhile(QWidget* widget, Get<bool> condition);
    void enableWhile(QWidget* widget, Get<bool> condition);
    /// Anything else that shows the controller's state.
    void follow(std::function<void(const Controller&)> show);

    /// Shows the controller's state in every bound widget.
    void refresh() const;

private:
    Controller& controller_;
    std::vector<std::function<void()>> refreshes_;
};

template <typename Picker, typename Value>
Picker* SettingBinder::choice(Picker* picker, const std::vector<Item<Value>>& items,
                              const settings::Setting<Value>& setting) {
    auto values = std::make_shared<std::vector<Value>>();
    for (const auto& item : items) {
        picker->addItem(item.label);
        values->push_back(item.value);
    }
    QObject::connect(picker, &Picker::currentIndexChanged, picker, [this, values, setting](int index) {
        if (index >= 0) controller_.set(setting, values->at(static_cast<std::size_t>(index)));
    });
    refreshes_.push_back([this, picker, values, setting] {
        const auto found = std::find(values->begin(), values->end(), controller_.get(setting));
        const QSignalBlocker quiet(picker);
        picker->setCurrentIndex(found == values->end() ? -1 : static_cast<int>(found - values->begin()));
    });
    return picker;
}

}  // namespace corvane
