#include "corvane/panel/accessible_roles.h"

#include <QAccessibleWidget>

#include "corvane/panel/control_panel.h"
#include "corvane/panel/segmented_picker.h"

namespace corvane {

namespace {

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
    return nullptr;
}

}  // namespace

void installAccessibleRoles() {
    QAccessible::installFactory(&roleOf);
}

}  // namespace corvane
