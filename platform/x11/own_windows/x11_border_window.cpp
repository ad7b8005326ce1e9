#include "platform/x11/own_windows/x11_border_window.h"

#include <xcb/shape.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <utility>

#include "platform/x11/own_windows/own_window_geometry.h"
#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {

std::uint32_t component(double value, int bits) {
    const double top = std::ldexp(1.0, bits) - 1;
    return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * top));
}

/// A colour as a pixel of a 32-bit ARGB visual: premultiplied, as Render expects.
std::uint32_t argbPixel(platform::Color color) {
    const double alpha = std::clamp(color.alpha, 0.0, 1.0);
    return (component(alpha, 8) << 24U) | (component(color.red * alpha, 8) << 16U) |
           (component(color.green * alpha, 8) << 8U) | component(color.blue * alpha, 8);
}

bool sameRectangles(const std::vector<xcb_rectangle_t>& a, const std::vector<xcb_rectangle_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& l, const auto& r) {
        return l.x == r.x && l.y == r.y && l.width == r.width && l.height == r.height;
    });
}

}  // namespace

X11BorderWindow::X11BorderWindow(const Connection& connection, EventLoop& loop, X11Screens& screens,
                                 StepWrites& writes, ProgramStacking& stacking,
                                 platform::WindowService::DrawFunction draw)
    : connection_(connection),
      loop_(loop),
      screens_(screens),
      writes_(writes),
      stacking_(stacking),
      draw_(std::move(draw)) {
    hasShape_ = connection_.extensions().shape.usable;
    strips_ = connection_.extensions().xwayland;
    createWindow();
    expose_ = loop_.subscribe(XCB_EXPOSE, [this](const auto& event) { handleEvent(event); });
    visibility_ = loop_.subscribe(XCB_VISIBILITY_NOTIFY, [this](const auto& event) { handleEvent(event); });
    watchNewWindows();
}

void X11BorderWindow::watchNewWindows() {
    // A window mapped over the band may leave its visibility state unchanged
    // (already partly covered), so no VisibilityNotify would tell us: watch
    // the root's children being mapped as well (the window cache selects them).
    siblingMapped_ = loop_.subscribe(XCB_MAP_NOTIFY, [this](const xcb_generic_event_t& event) {
        const auto& mapped = as<xcb_map_notify_event_t>(event);
        if (mapped_ && mapped.event == connection_.root() && !ours(mapped.window)) raiseLater();
    });
}

X11BorderWindow::Visual X11BorderWindow::chooseVisual() const {
    const xcb_screen_t& screen = connection_.screen();
    for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem > 0; xcb_depth_next(&depths)) {
        if (depths.data->depth != 32) continue;
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR)
                return {visuals.data->visual_id, 32, true};
        }
    }
    return {screen.root_visual, screen.root_depth, false};
}

void X11BorderWindow::createWindow() {
    xcb_connection_t* c = connection_.get();
    visual_ = chooseVisual();
    xcb_colormap_t colormap = connection_.screen().default_colormap;
    if (visual_.argb) {
        // A visual other than the root's needs a colormap of its own.
        colormap_ = OwnedColormap(c, xcb_generate_id(c));
        xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap_.get(), connection_.root(), visual_.id);
        colormap = colormap_.get();
    }
    window_ = makeBandWindow(colormap);
    if (strips_) {
        constexpr std::size_t kSides = 4;
        for (std::size_t i = 0; i < kSides; ++i) stripWindows_.push_back(makeBandWindow(colormap));
    }
    gc_ = OwnedGc(c, xcb_generate_id(c));
    xcb_create_gc(c, gc_.get(), window_.get(), 0, nullptr);
    if (hasShape_) {
        // Nothing shows until the first paint.
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                             window_.get(), 0, 0, 0, nullptr);
        shape_.emplace();
    }
}

OwnedWindow X11BorderWindow::makeBandWindow(xcb_colormap_t colormap) const {
    xcb_connection_t* c = connection_.get();
    OwnedWindow window(c, xcb_generate_id(c));
    const std::array<std::uint32_t, 5> values{
        0, 0, 1, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_VISIBILITY_CHANGE, colormap};
    xcb_create_window(c, visual_.depth, window.get(), connection_.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, visual_.id,
                      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                          XCB_CW_COLORMAP,
                      values.data());
    // Named for whoever looks at the screen's windows (xwininfo, tests).
    constexpr std::string_view kTitle = "Corvane border";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window.get(), XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(kTitle.size()), kTitle.data());
    if (hasShape_) {
        // Clicks pass through where the server's compositor honours it.
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                             window.get(), 0, 0, 0, nullptr);
    }
    return window;
}

std::vector<xcb_window_t> X11BorderWindow::shownWindows() const {
    if (!strips_) return {window_.get()};
    std::vector<xcb_window_t> windows;
    windows.reserve(stripWindows_.size());
    for (const auto& strip : stripWindows_) windows.push_back(strip.get());
    return windows;
}

bool X11BorderWindow::ours(xcb_window_t window) const {
    if (window == window_.get()) return true;
    return std::any_of(stripWindows_.begin(), stripWindows_.end(),
                       [window](const OwnedWindow& strip) { return strip.get() == window; });
}

void X11BorderWindow::setFrame(platform::Rect frame, bool /*display*/) {
    // The band follows the bounds, and a paint that shows nothing new is skipped.
    frame_ = frame;
    wanted_ = toRoot(frame, screens_.primaryRootFrame());
    setNeedsDisplay();
}

void X11BorderWindow::orderFrontRegardless() {
    if (!hasShape_) return;
    visible_ = true;
    setNeedsDisplay();
}

void X11BorderWindow::orderOut() {
    // With the step's other writes, after an activation's answer: a switch hides the border while the
    // old game is still in front and shows it around the next one once the window manager says so,
    // and by then it only moves, with no unmap in between.
    visible_ = false;
    if (mapped_) setNeedsDisplay();
}

void X11BorderWindow::setNeedsDisplay() {
    // Several changes in one step make one update.
    writes_.updateOwnWindow(lifetime_, [this] { update(); });
}

void X11BorderWindow::update() {
    if (wanted_ && wanted_ != sent_) {
        if (!strips_) configureIfChanged(connection_, window_.get(), *wanted_, sent_);
        sent_ = wanted_;
    }
    if (!visible_) {
        if (!mapped_) return;
        for (const xcb_window_t window : shownWindows()) {
            connection_.onOwnWindow(xcb_unmap_window(connection_.get(), window));
        }
        mapped_ = false;
        return;
    }
    paint();
    if (!mapped_) {
        for (const xcb_window_t window : shownWindows()) {
            connection_.onOwnWindow(xcb_map_window(connection_.get(), window));
        }
        mapped_ = true;
        raiseWanted_ = true;
    }
    if (std::exchange(raiseWanted_, false)) raise();
}

void X11BorderWindow::raiseLater() {
    // With the step's writes: a burst of windows coming over the band makes one raise.
    raiseWanted_ = true;
    setNeedsDisplay();
}

void X11BorderWindow::handleEvent(const xcb_generic_event_t& event) {
    if (eventType(event) == XCB_EXPOSE) {
        const auto& expose = as<xcb_expose_event_t>(event);
        if (ours(expose.window) && expose.count == 0) {
            painted_.reset();
            setNeedsDisplay();
        }
        return;
    }
    const auto& visibility = as<xcb_visibility_notify_event_t>(event);
    // Something came over the band: a window the window manager raised, another program's popup.
    if (ours(visibility.window) && mapped_ && visibility.state != XCB_VISIBILITY_UNOBSCURED) raiseLater();
}

void X11BorderWindow::paint() {
    if (!hasShape_) return;
    const double height = sent_ ? static_cast<double>(sent_->height) : 0;
    const double width = sent_ ? static_cast<double>(sent_->width) : 0;
    BandCanvas canvas(height);
    draw_(canvas, {0, 0, width, height});
    if (strips_) {
        // The strips lie in root coordinates: a moved band is a new paint.
        if (!sent_ || (painted(canvas.bands()) && paintedAt_ == sent_)) return;
        paintStrips(canvas.bands());
        painted_ = canvas.bands();
        paintedAt_ = sent_;
        return;
    }
    if (painted(canvas.bands())) return;
    applyShape(canvas.allRectangles());
    for (const auto& band : canvas.bands()) fill(band);
    painted_ = canvas.bands();
}

bool X11BorderWindow::painted(const std::vector<Band>& bands) const {
    return painted_ && std::equal(painted_->begin(), painted_->end(), bands.begin(), bands.end(),
                                  [](const Band& a, const Band& b) {
                                      return a.color == b.color && sameRectangles(a.rectangles, b.rectangles);
                                  });
}

void X11BorderWindow::paintStrips(const std::vector<Band>& bands) {
    // Each of the band's rectangles a window of its own, in the band's colour.
    std::size_t next = 0;
    for (const auto& band : bands) {
        const std::uint32_t pixel = pixelFor(band.color);
        for (const auto& rectangle : band.rectangles) {
            if (next == stripWindows_.size()) return;
            const xcb_window_t strip = stripWindows_[next++].get();
            const RootRect where{sent_->x + rectangle.x, sent_->y + rectangle.y, rectangle.width,
                                 rectangle.height};
            configureIfChanged(connection_, strip, where, std::nullopt);
            connection_.onOwnWindow(
                xcb_change_window_attributes(connection_.get(), strip, XCB_CW_BACK_PIXEL, &pixel));
            connection_.onOwnWindow(xcb_clear_area(connection_.get(), 0, strip, 0, 0, 0, 0));
        }
    }
    // Strips the band does not need (a line thick enough to leave no hole) go out of sight.
    for (; next < stripWindows_.size(); ++next) {
        const RootRect nowhere{sent_->x, sent_->y, 1, 1};
        configureIfChanged(connection_, stripWindows_[next].get(), nowhere, std::nullopt);
        const std::uint32_t clear = 0;
        connection_.onOwnWindow(xcb_change_window_attributes(connection_.get(), stripWindows_[next].get(),
                                                             XCB_CW_BACK_PIXEL, &clear));
        connection_.onOwnWindow(xcb_clear_area(connection_.get(), 0, stripWindows_[next].get(), 0, 0, 0, 0));
    }
}

void X11BorderWindow::applyShape(const std::vector<xcb_rectangle_t>& rectangles) {
    if (shape_ && sameRectangles(*shape_, rectangles)) return;
    connection_.onOwnWindow(xcb_shape_rectangles(
        connection_.get(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, window_.get(),
        0, 0, static_cast<std::uint32_t>(rectangles.size()), rectangles.data()));
    shape_ = rectangles;
}

void X11BorderWindow::fill(const Band& band) {
    if (band.rectangles.empty()) return;
    const std::uint32_t pixel = pixelFor(band.color);
    xcb_change_gc(connection_.get(), gc_.get(), XCB_GC_FOREGROUND, &pixel);
    connection_.onOwnWindow(xcb_poly_fill_rectangle(connection_.get(), window_.get(), gc_.get(),
                                                    static_cast<std::uint32_t>(band.rectangles.size()),
                                                    band.rectangles.data()));
}

std::uint32_t X11BorderWindow::pixelFor(platform::Color color) {
    if (visual_.argb) return argbPixel(color);
    if (lastPixel_ && lastPixel_->first == color) return lastPixel_->second;
    xcb_connection_t* c = connection_.get();
    auto reply = makeCookie(c,
                            xcb_alloc_color(c, connection_.screen().default_colormap,
                                            static_cast<std::uint16_t>(component(color.red, 16)),
                                            static_cast<std::uint16_t>(component(color.green, 16)),
                                            static_cast<std::uint16_t>(component(color.blue, 16))),
                            xcb_alloc_color_reply);
    const std::uint32_t pixel =
        reply.get() != nullptr ? reply.get()->pixel : connection_.screen().white_pixel;
    lastPixel_ = {color, pixel};
    return pixel;
}

void X11BorderWindow::raise() {
    for (const xcb_window_t window : shownWindows()) stacking_.raiseUnmanaged(window);
}

}  // namespace corvane::x11
