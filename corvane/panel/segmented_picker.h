#pragma once

#include <QWidget>

class QButtonGroup;
class QHBoxLayout;

namespace corvane {

/// A row of joined buttons of which one is chosen, read by a screen reader
/// as a group of radio buttons under `name`. Speaks as a combo box does
/// (addItem, setCurrentIndex, currentIndexChanged), so it binds as one.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    SegmentedPicker(const QString& name, QWidget* parent);

    void addItem(const QString& label);
    /// Chooses segment `index`; -1 chooses none.
    void setCurrentIndex(int index);

signals:
    /// The user chose segment `index`.
    void currentIndexChanged(int index);

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    QButtonGroup* group_;
    QHBoxLayout* line_;
};

}  // namespace corvane
