#pragma once

#include <QObject>
#include <QSignalBlocker>
#include <QString>

#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

class QAbstractButton;
class QWidget;

namespace corvane {

class Controller;
class ValueSlider;

/// Ties the panel's widgets to the controller, one call per setting: the
/// widget writes each change through the setter, and every refresh shows
/// what the getter reads, with the widget's signals blocked so that showing
/// a value is never taken for the user's edit.
class SettingBinder {
public:
    template <typename Value>
    using Get = std::type_identity_t<std::function<Value(const Controller&)>>;
    template <typename Value>
    using Set = std::type_identity_t<std::function<void(Controller&, Value)>>;

    /// One entry of a picker: what it reads and the value it stands for.
    template <typename Value>
    struct Item {
        QString label;
        Value value;
    };

    explicit SettingBinder(Controller& controller) : controller_(controller) {}

    /// A checkable button over a flag.
    QAbstractButton* toggle(QAbstractButton* button, Get<bool> get, Set<bool> set);
    ValueSlider* slider(ValueSlider* slider, Get<double> get, Set<double> set);
    /// A picker (anything with addItem, setCurrentIndex and currentIndexChanged)
    /// over `items`; a value that is none of them selects nothing.
    template <typename Picker, typename Value>
    Picker* choice(Picker* picker, const std::vector<Item<Value>>& items, Get<Value> get, Set<Value> set);
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
Picker* SettingBinder::choice(Picker* picker, const std::vector<Item<Value>>& items, Get<Value> get,
                              Set<Value> set) {
    auto values = std::make_shared<std::vector<Value>>();
    for (const auto& item : items) {
        picker->addItem(item.label);
        values->push_back(item.value);
    }
    QObject::connect(picker, &Picker::currentIndexChanged, picker,
                     [this, values, set = std::move(set)](int index) {
                         if (index >= 0) set(controller_, values->at(static_cast<std::size_t>(index)));
                     });
    refreshes_.push_back([this, picker, values, get = std::move(get)] {
        const auto found = std::find(values->begin(), values->end(), get(controller_));
        const QSignalBlocker quiet(picker);
        picker->setCurrentIndex(found == values->end() ? -1 : static_cast<int>(found - values->begin()));
    });
    return picker;
}

}  // namespace corvane
