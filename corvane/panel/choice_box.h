#pragma once

#include <QComboBox>

namespace corvane {

/// A picker of the panel. A screen reader reads it as Qt's own combo boxes:
/// its current entry as its name, and the caption that names it through a
/// labelled-by relation (QLabel::setBuddy), so it hears which key is chosen.
class ChoiceBox : public QComboBox {
    Q_OBJECT

public:
    explicit ChoiceBox(QWidget* parent);
};

}  // namespace corvane
