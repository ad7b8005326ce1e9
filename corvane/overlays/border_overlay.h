#pragma once

#include <memory>

#include "corvane/system_colors.h"
#include "platform/geometry.h"
#include "platform/screens.h"
#include "platform/window_service.h"

namespace corvane {

/// The coloured frame around the active game window: a click-through window
/// of the program's own lying just outside the game window's edges.
class BorderOverlay {
public:
    /// Draws a band `thickness` wide along the inside of its bounds.
    class FrameView {
    public:
        platform::Color color = system_color::kGreen;
        double thickness = 4.0;
        void draw(platform::Canvas& canvas, const platform::Rect& bounds) const;
    };

    /// Creates the (hidden) border window.
    BorderOverlay(platform::WindowService& windows, platform::Screens& screens);
    BorderOverlay(const BorderOverlay&) = delete;
    BorderOverlay& operator=(const BorderOverlay&) = delete;
    BorderOverlay(BorderOverlay&&) = delete;
    BorderOverlay& operator=(BorderOverlay&&) = delete;
    ~BorderOverlay() = default;

    /// Surrounds `aroundAX` (window space) with a band of `color`, `thickness`
    /// points wide, outside its edges.
    void show(const platform::Rect& aroundAX, platform::Color color, double thickness);
    /// Orders the window out (harmless when already hidden).
    void hide();

    [[nodiscard]] const FrameView& frameView() const { return frameView_; }
    [[nodiscard]] const platform::BorderWindow& window() const { return *window_; }

private:
    platform::Screens& screens_;
    FrameView frameView_;
    // Declared after frameView_: its draw function reads frameView_.
    std::unique_ptr<platform::BorderWindow> window_;
};

}  // namespace corvane
