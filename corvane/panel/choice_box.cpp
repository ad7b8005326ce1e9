#include "corvane/panel/choice_box.h"

namespace corvane {

ChoiceBox::ChoiceBox(QWidget* parent) : QComboBox(parent) {
    // Never narrower than its longest entry, which it would otherwise cut.
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

}  // namespace corvane
