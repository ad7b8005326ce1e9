#pragma once

#include <QComboBox>

namespace corvane {

/// A combo box that a screen reader knows by its accessible name. Qt names
/// a plain one after its current value on Linux, so "Hotkey" would read as
/// "F13"; this class gets an accessible interface of its own (accessible_roles).
class NamedComboBox : public QComboBox {
    Q_OBJECT

public:
    NamedComboBox(const QString& accessibleName, QWidget* parent);
};

}  // namespace corvane
