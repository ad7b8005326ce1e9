#pragma once

#include <QColor>
#include <QWidget>

namespace corvane {

/// A plain box on a filled rounded rectangle, for advice that should stand
/// out from the rows around it.
class RoundedBox : public QWidget {
    Q_OBJECT

public:
    RoundedBox(const QColor& fill, double radius, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double radius_;
};

}  // namespace corvane
