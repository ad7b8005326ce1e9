#include "corvane/panel/named_combo_box.h"

namespace corvane {

NamedComboBox::NamedComboBox(const QString& accessibleName, QWidget* parent) : QComboBox(parent) {
    setAccessibleName(accessibleName);
}

}  // namespace corvane
