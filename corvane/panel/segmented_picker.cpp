#include "corvane/panel/segmented_picker.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>

#include "corvane/panel/panel_style.h"

namespace corvane {

SegmentedPicker::SegmentedPicker(const QString& name, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)), line_(new QHBoxLayout(this)) {
    setAccessibleName(name);
    line_->setContentsMargins(0, 0, 0, 0);
    line_->setSpacing(0);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) emit currentIndexChanged(id);
    });
}

void SegmentedPicker::addItem(const QString& label) {
    auto* segment = new QPushButton(label, this);
    segment->setCheckable(true);
    // Read as one of a set of radio buttons, not as a check box of its own.
    segment->setAutoExclusive(true);
    group_->addButton(segment, static_cast<int>(group_->buttons().size()));
    line_->addWidget(segment, 1);
    restyle();
}

void SegmentedPicker::setCurrentIndex(int index) {
    if (QAbstractButton* segment = group_->button(index)) {
        segment->setChecked(true);
        return;
    }
    // An exclusive group never lets its chosen button go by itself.
    group_->setExclusive(false);
    if (QAbstractButton* chosen = group_->checkedButton()) chosen->setChecked(false);
    group_->setExclusive(true);
}

void SegmentedPicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) restyle();
}

void SegmentedPicker::restyle() {
    // A style sheet takes the palette's colours when it is set: set again
    // after every palette change.
    const auto segments = group_->buttons();
    for (qsizetype i = 0; i < segments.size(); ++i) {
        segments[i]->setStyleSheet(panel_style::segmentStyleSheet(i == 0, i + 1 == segments.size()));
    }
}

}  // namespace corvane
