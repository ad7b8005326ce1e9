#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include "platform/geometry.h"

class QWidget;

namespace corvane::panel_style {

/// The text roles of the panel, as one scale over the application font.
enum class TextRole {
    body,
    headline,
    callout,
    caption,
    sectionTitle,
    calloutDigits,  ///< callout with digits of equal width, for changing numbers
};

/// How a text is coloured: the palette's own text colour, the secondary
/// (dimmed) text colour, or the warning red.
enum class Tone { primary, secondary, warning };

inline constexpr int kPanelWidth = 340;
inline constexpr int kPanelMargin = 16;
inline constexpr int kRowSpacing = 14;
inline constexpr int kSectionSpacing = 8;
inline constexpr int kClientRowSpacing = 8;

[[nodiscard]] QFont font(TextRole role, const QFont& base);
/// Dimmed text: the palette's placeholder colour made opaque over the window.
[[nodiscard]] QColor secondaryColor(const QPalette& palette);
[[nodiscard]] QColor warningColor();
[[nodiscard]] QColor toQColor(const platform::Color& color);

/// The look of one segment of a segmented control: joined to its
/// neighbours, rounded at the ends, the chosen one in the highlight colour.
[[nodiscard]] QString segmentStyleSheet(bool first, bool last);

/// Gives a widget the font of `role` on the scale of `base`.
void applyRole(QWidget* widget, TextRole role, const QFont& base);
/// Colours a widget's text by `tone` against the palette of `reference`.
void applyTone(QWidget* widget, Tone tone, const QPalette& reference);

}  // namespace corvane::panel_style
