#include "corvane/panel/value_slider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {
constexpr int kSpacing = 8;
}  // namespace

ValueSlider::ValueSlider(const QString& caption, Range range, Format format, QWidget* parent)
    : QWidget(parent),
      range_(range),
      format_(std::move(format)),
      caption_(new QLabel(caption, this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      value_(new QLabel(this)) {
    slider_->setObjectName(QStringLiteral("slider"));
    value_->setObjectName(QStringLiteral("value"));
    slider_->setRange(0, range_.steps);
    slider_->setSingleStep(std::max(1, range_.steps / 100));
    slider_->setPageStep(std::max(1, range_.steps / 10));
    slider_->setTracking(true);
    value_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    slider_->setAccessibleName(caption);
    caption_->setBuddy(slider_);

    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(kSpacing);
    line->addWidget(caption_);
    line->addWidget(slider_, 1);
    line->addWidget(value_);

    connect(slider_, &QSlider::valueChanged, this, [this](int position) { emit moved(valueAt(position)); });
}

void ValueSlider::setValueBoxWidth(int width) {
    // Wider only for a value that needs it, at a large font or far outside the range.
    value_->setMinimumWidth(width);
    value_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
}

double ValueSlider::valueAt(int position) const {
    if (position >= range_.steps) return range_.maximum;
    const double fraction = static_cast<double>(position) / range_.steps;
    return range_.minimum + (range_.maximum - range_.minimum) * fraction;
}

int ValueSlider::positionOf(double value) const {
    if (!std::isfinite(value)) return 0;
    const double fraction = (value - range_.minimum) / (range_.maximum - range_.minimum);
    const double position = std::round(std::clamp(fraction, 0.0, 1.0) * range_.steps);
    return static_cast<int>(position);
}

void ValueSlider::refresh(double value) {
    value_->setText(format_(value));
    if (slider_->isSliderDown()) return;
    const QSignalBlocker quiet(slider_);
    slider_->setValue(positionOf(value));
}

}  // namespace corvane
