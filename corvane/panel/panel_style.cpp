#include "corvane/panel/panel_style.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QWidget>

#include <algorithm>

namespace corvane::panel_style {

namespace {

struct RoleScale {
    double size;  // relative to the application font
    QFont::Weight weight;
};

RoleScale scale(TextRole role) {
    switch (role) {
        case TextRole::body:
            return {1.0, QFont::Normal};
        case TextRole::headline:
            return {1.15, QFont::DemiBold};
        case TextRole::callout:
            return {0.92, QFont::Normal};
        case TextRole::caption:
            return {0.85, QFont::Normal};
        case TextRole::sectionTitle:
            return {0.85, QFont::DemiBold};
        case TextRole::calloutDigits:
            return {0.92, QFont::Normal};
    }
    return {1.0, QFont::Normal};
}

// The desktop's system red in its light appearance, beside the slot colours.
constexpr platform::Color kSystemRed = platform::Color::fromRGB(0xFF3B30);

// Small captions stay legible however small the application font is.
constexpr double kMinimumPointSize = 7.0;

bool digitsHaveEqualWidth(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (metrics.horizontalAdvance(QLatin1Char(digit)) != zero) return false;
    }
    return true;
}

QColor blend(const QColor& over, const QColor& under, double alpha) {
    const auto mix = [alpha](double a, double b) { return a * alpha + b * (1.0 - alpha); };
    return QColor::fromRgbF(static_cast<float>(mix(over.redF(), under.redF())),
                            static_cast<float>(mix(over.greenF(), under.greenF())),
                            static_cast<float>(mix(over.blueF(), under.blueF())));
}

QFont scaled(TextRole role, const QFont& base) {
    const RoleScale s = scale(role);
    QFont result = base;
    if (base.pointSizeF() > 0) {
        result.setPointSizeF(std::max(kMinimumPointSize, base.pointSizeF() * s.size));
    } else {
        result.setPixelSize(std::max(9, static_cast<int>(base.pixelSize() * s.size)));
    }
    result.setWeight(s.weight);
    return result;
}

}  // namespace

QFont font(TextRole role, const QFont& base) {
    QFont result = scaled(role, base);
    if (role != TextRole::calloutDigits || digitsHaveEqualWidth(result)) return result;
    // Qt 6.4 cannot ask a font for its tabular figures; a fixed-pitch font has them.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (result.pointSizeF() > 0) {
        fixed.setPointSizeF(result.pointSizeF());
    } else {
        fixed.setPixelSize(result.pixelSize());
    }
    return fixed;
}

QColor secondaryColor(const QPalette& palette) {
    const QColor placeholder = palette.color(QPalette::PlaceholderText);
    const QColor window = palette.color(QPalette::Window);
    if (placeholder.isValid() && placeholder != palette.color(QPalette::WindowText)) {
        return blend(placeholder, window, placeholder.alphaF());
    }
    return blend(palette.color(QPalette::WindowText), window, 0.55);
}

QColor warningColor() {
    return toQColor(kSystemRed);
}

QColor toQColor(const platform::Color& color) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

QString segmentStyleSheet(bool first, bool last) {
    QString sheet = QStringLiteral(
        "QPushButton { border: 1px solid palette(mid); background: palette(button); padding: 3px 6px; }"
        "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text); "
        "border-color: palette(highlight); }"
        "QPushButton:pressed:!checked { background: palette(midlight); }");
    const QString radius = QStringLiteral("5px");
    if (!first) sheet += QStringLiteral("QPushButton { border-left: none; }");
    if (first) {
        sheet += QStringLiteral("QPushButton { border-top-left-radius: %1; border-bottom-left-radius: %1; }")
                     .arg(radius);
    }
    if (last) {
        sheet +=
            QStringLiteral("QPushButton { border-top-right-radius: %1; border-bottom-right-radius: %1; }")
                .arg(radius);
    }
    return sheet;
}

void applyRole(QWidget* widget, TextRole role, const QFont& base) {
    widget->setFont(font(role, base));
}

void applyTone(QWidget* widget, Tone tone, const QPalette& reference) {
    QPalette palette = widget->palette();
    QColor color = reference.color(QPalette::WindowText);
    if (tone == Tone::secondary) color = secondaryColor(reference);
    if (tone == Tone::warning) color = warningColor();
    // Refreshes come several times a second: an unchanged colour costs nothing.
    if (palette.color(QPalette::WindowText) == color && palette.color(QPalette::Text) == color) return;
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

}  // namespace corvane::panel_style
