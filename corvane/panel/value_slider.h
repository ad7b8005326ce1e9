#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QSlider;

namespace corvane {

/// A caption, a slider over a range of real numbers and the value as text.
/// The slider works on a fine integer scale, so every value it reports lies
/// in the range without a visible step. It reports every movement, also
/// while it is being dragged.
class ValueSlider : public QWidget {
    Q_OBJECT

public:
    struct Range {
        double minimum = 0;
        double maximum = 1;
        int steps = 1000;  ///< positions between minimum and maximum
    };
    using Format = std::function<QString(double value)>;

    ValueSlider(const QString& caption, Range range, Format format, QWidget* parent);

    /// Shows a value: the label always, the handle only while the user is
    /// not holding it, so a refresh never fights a drag.
    void refresh(double value);
    /// The value box: monospaced digits, right-aligned, at least `width` wide.
    void setValueBoxWidth(int width);

    [[nodiscard]] QLabel* valueLabel() const { return value_; }
    [[nodiscard]] QLabel* captionLabel() const { return caption_; }

    /// The value of a slider position, and the nearest position of a value.
    [[nodiscard]] double valueAt(int position) const;
    [[nodiscard]] int positionOf(double value) const;

signals:
    /// The user moved the slider to `value`.
    void moved(double value);

private:
    Range range_;
    Format format_;
    QLabel* caption_;
    QSlider* slider_;
    QLabel* value_;
};

}  // namespace corvane
