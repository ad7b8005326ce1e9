#include "corvane/panel/accessible_roles.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

#include "corvane/panel/control_panel.h"
#include "corvane/panel/named_combo_box.h"
#include "corvane/panel/segmented_picker.h"

namespace corvane {

namespace {

/// A combo box read by its name, with its entries as its one child and its
/// current entry as its value.
class NamedComboBoxAccessible : public QAccessibleWidget {
public:
    explicit NamedComboBoxAccessible(NamedComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    [[nodiscard]] QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return box()->currentText();
        return QAccessibleWidget::text(kind);
    }
    [[nodiscard]] int childCount() const override { return 1; }
    [[nodiscard]] QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
        return child != nullptr && child->object() == box()->view() ? 0 : -1;
    }
    [[nodiscard]] QStringList actionNames() const override {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            box()->showPopup();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    [[nodiscard]] NamedComboBox* box() const { return static_cast<NamedComboBox*>(widget()); }
};

bool is(const QString& className, const QMetaObject& type) {
    return className == QLatin1String(type.className());
}

QAccessibleInterface* roleOf(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) return nullptr;
    if (is(className, ControlPanel::staticMetaObject))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (is(className, SegmentedPicker::staticMetaObject))
        return new QAccessibleWidget(widget, QAccessible::Grouping);
    if (is(className, NamedComboBox::staticMetaObject))
        return new NamedComboBoxAccessible(static_cast<NamedComboBox*>(widget));
    return nullptr;
}

}  // namespace

void installAccessibleRoles() {
    QAccessible::installFactory(&roleOf);
}

}  // namespace corvane
