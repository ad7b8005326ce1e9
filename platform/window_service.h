#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/geometry.h"

namespace corvane::platform {

/// Where a view draws. Coordinates are the view's own, in points.
class Canvas {
public:
    virtual ~Canvas() = default;
    /// Strokes the outline of `rect` with a line `lineWidth` wide, centred on it.
    virtual void strokeRect(Rect rect, Color color, double lineWidth) = 0;
};

/// A captured picture, kept by the platform; the program never reads its pixels.
class Surface {
public:
    virtual ~Surface() = default;
    [[nodiscard]] virtual Size pixelSize() const = 0;
};

/// The program's own borderless, click-through, always-on-top window.
/// Frames are in framework space (origin bottom-left of the primary screen).
class BorderWindow {
public:
    virtual ~BorderWindow() = default;
    [[nodiscard]] virtual Rect frame() const = 0;
    /// `display` asks for a redraw with the move; the X11 backend ignores it:
    /// every new frame is drawn (a paint that would show nothing new is skipped).
    virtual void setFrame(Rect frame, bool display) = 0;
    [[nodiscard]] virtual bool isVisible() const = 0;
    /// Shows the window above others without activating the program.
    virtual void orderFrontRegardless() = 0;
    virtual void orderOut() = 0;
    /// Asks for the content to be drawn again (through the window's draw callback).
    virtual void setNeedsDisplay() = 0;
};

/// Receives the mouse events of a panel's content.
class PanelContent {
public:
    virtual ~PanelContent() = default;
    /// A button release with the platform's click count.
    virtual void mouseUp(int clickCount) = 0;
    /// A drag step; the platform has already moved the panel by it.
    virtual void mouseDragged() = 0;
};

/// What a panel says of whose picture it shows: a name in a corner and a
/// thin band of a colour along its edge.
struct PanelLabel {
    std::string text;
    Color color;
    friend bool operator==(const PanelLabel&, const PanelLabel&) = default;
};

/// A small floating panel: no title bar, above ordinary windows, on every
/// desktop, never takes the focus, dragged by its content, black background.
class Panel {
public:
    virtual ~Panel() = default;
    [[nodiscard]] virtual Rect frame() const = 0;
    virtual void setFrame(Rect frame, bool display) = 0;
    [[nodiscard]] virtual bool isVisible() const = 0;
    virtual void orderFrontRegardless() = 0;
    virtual void orderOut() = 0;
    /// Shows `surface` scaled to fit, proportions kept, centred on black.
    virtual void setContents(std::shared_ptr<const Surface> surface) = 0;
    /// Draws `label` over the picture; none: the picture alone.
    virtual void setLabel(std::optional<PanelLabel> label) = 0;
};

class WindowService {
public:
    using DrawFunction = std::function<void(Canvas& canvas, Rect bounds)>;
    virtual ~WindowService() = default;
    /// A hidden border window with a zero frame; `draw` paints its content.
    [[nodiscard]] virtual std::unique_ptr<BorderWindow> createBorderWindow(DrawFunction draw) = 0;
    /// A hidden panel at `frame`; `content` must outlive the panel.
    [[nodiscard]] virtual std::unique_ptr<Panel> createPanel(Rect frame, PanelContent& content) = 0;
};

}  // namespace corvane::platform
