#include "corvane/panel/named_combo_box.h"

namespace corvane {

NamedComboBox::NamedComboBox(const QString& accessibleName, QWidget* parent) : QComboBox(parent) {
    setAccessibleName(accessibleName);
    // Never narrower than its longest entry, which it would otherwise cut.
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

}  // namespace corvane
